#!/usr/bin/env python3
"""The project's SWF movie writer: small movies for the tests and the demo.

Writes uncompressed ("FWS") or zlib-compressed ("CWS") movies with the tags
the stand-in Flash control plays: SetBackgroundColor, DefineShape 1 to 3
(solid fills, line styles, straight and curved edges), PlaceObject,
PlaceObject2, RemoveObject, RemoveObject2, ShowFrame, End and DoAction with
ActionGetURL, plus any raw tag. Coordinates are in pixels unless a name says
twips (1 pixel = 20 twips).

usage: make_swf.py demo OUT.swf            the demo package's preview movie
       make_swf.py saver OUT.swf           the demo screen saver's movie
       make_swf.py test-set FOLDER         the movies of the unit tests
"""

import struct
import sys
import zlib
from pathlib import Path

TWIPS = 20

# Tag codes.
END, SHOW_FRAME, DEFINE_SHAPE, PLACE_OBJECT, REMOVE_OBJECT = 0, 1, 2, 4, 5
SET_BACKGROUND_COLOR, DO_ACTION, DEFINE_SHAPE2, PLACE_OBJECT2 = 9, 12, 22, 26
REMOVE_OBJECT2, DEFINE_SHAPE3 = 28, 32
ACTION_GET_URL = 0x83


def signed_bits(*values):
    """Bits needed to hold every value as a two's-complement field."""
    return max([1] + [(v if v >= 0 else ~v).bit_length() + 1 for v in values])


def unsigned_bits(*values):
    return max([0] + [v.bit_length() for v in values])


class BitWriter:
    """Bit fields, most significant bit first, padded to whole bytes."""

    def __init__(self):
        self.data = bytearray()
        self.used = 8  # bits used of the last byte

    def bits(self, value, count):
        for i in reversed(range(count)):
            if self.used == 8:
                self.data.append(0)
                self.used = 0
            if (value >> i) & 1:
                self.data[-1] |= 0x80 >> self.used
            self.used += 1
        return self

    def sbits(self, value, count):
        return self.bits(value & ((1 << count) - 1), count)

    def flag(self, value):
        return self.bits(1 if value else 0, 1)

    def align(self):
        self.used = 8
        return self

    def raw(self, data):
        self.align()
        self.data += data
        return self

    def bytes(self):
        return bytes(self.data)


def rect(writer, xmin, xmax, ymin, ymax):
    """RECT in twips: Nbits UB[5], then four SB[Nbits]."""
    n = signed_bits(xmin, xmax, ymin, ymax)
    writer.bits(n, 5)
    for v in (xmin, xmax, ymin, ymax):
        writer.sbits(v, n)
    return writer.align()


def matrix(writer, translate=(0, 0), scale=None, rotate=None):
    """MATRIX: optional scale and rotate/skew pairs (16.16 fixed), then the
    translation in pixels."""
    for pair in (scale, rotate):
        writer.flag(pair is not None)
        if pair is not None:
            fixed = [int(round(v * 65536)) for v in pair]
            n = signed_bits(*fixed)
            writer.bits(n, 5)
            for v in fixed:
                writer.sbits(v, n)
    tx, ty = (int(round(v * TWIPS)) for v in translate)
    n = signed_bits(tx, ty) if (tx or ty) else 0
    writer.bits(n, 5)
    if n:
        writer.sbits(tx, n).sbits(ty, n)
    return writer.align()


def color_bytes(color, with_alpha):
    rgba = tuple(color) + (255,) * (4 - len(color))
    return bytes(rgba if with_alpha else rgba[:3])


def tag(code, body=b""):
    """Record header: UI16 code << 6 | length, long form (0x3F + UI32) from
    63 bytes on."""
    if len(body) < 0x3F:
        return struct.pack("<H", code << 6 | len(body)) + body
    return struct.pack("<HI", code << 6 | 0x3F, len(body)) + body


class Shape:
    """A shape's styles and records. `fills` are colours (RGB or RGBA
    tuples), `lines` are (width in pixels, colour); styles are numbered from
    1 in the records. Paths are in pixels, relative to the shape's origin."""

    def __init__(self, fills=(), lines=()):
        self.fills = list(fills)
        self.lines = list(lines)
        self.records = []  # ('style', dict) | ('line', dx, dy) | ('curve', cx, cy, ax, ay)
        self.pen = (0, 0)
        self.points = []

    def _twips(self, x, y):
        return int(round(x * TWIPS)), int(round(y * TWIPS))

    def move_to(self, x, y, fill0=None, fill1=None, line=None):
        self.records.append(("style", {"move": self._twips(x, y), "fill0": fill0,
                                       "fill1": fill1, "line": line}))
        self.pen = self._twips(x, y)
        self.points.append(self.pen)
        return self

    def line_to(self, x, y):
        tx, ty = self._twips(x, y)
        self.records.append(("line", tx - self.pen[0], ty - self.pen[1]))
        self.pen = (tx, ty)
        self.points.append(self.pen)
        return self

    def curve_to(self, cx, cy, x, y):
        ctx, cty = self._twips(cx, cy)
        tx, ty = self._twips(x, y)
        self.records.append(("curve", ctx - self.pen[0], cty - self.pen[1], tx - ctx, ty - cty))
        self.pen = (tx, ty)
        self.points += [(ctx, cty), (tx, ty)]
        return self

    def rectangle(self, x0, y0, x1, y1, fill=1, line=None):
        self.move_to(x0, y0, fill1=fill, line=line)
        return self.line_to(x1, y0).line_to(x1, y1).line_to(x0, y1).line_to(x0, y0)

    def circle(self, cx, cy, r, fill=1, line=None):
        """Eight quadratic curves round (cx, cy)."""
        import math
        self.move_to(cx + r, cy, fill1=fill, line=line)
        k = r / math.cos(math.pi / 8)
        for i in range(8):
            a0, a1 = math.pi / 4 * i, math.pi / 4 * (i + 1)
            am = (a0 + a1) / 2
            self.curve_to(cx + k * math.cos(am), cy + k * math.sin(am),
                          cx + r * math.cos(a1), cy + r * math.sin(a1))
        return self

    def bounds(self):
        xs = [p[0] for p in self.points] or [0]
        ys = [p[1] for p in self.points] or [0]
        return min(xs), max(xs), min(ys), max(ys)

    def new_styles(self, fills=(), lines=()):
        """A style change record with new style arrays (DefineShape2 and 3):
        the styles from here on are these, numbered from 1 again."""
        self.records.append(("newstyles", list(fills), list(lines)))
        return self

    def body(self, version):
        """SHAPEWITHSTYLE for DefineShape `version` (1, 2 or 3)."""
        alpha = version >= 3
        out = BitWriter()
        out.raw(self._style_arrays(self.fills, self.lines, alpha, version))
        fill_bits = unsigned_bits(len(self.fills))
        line_bits = unsigned_bits(len(self.lines))
        out.bits(fill_bits, 4).bits(line_bits, 4)
        for record in self.records:
            if record[0] == "style":
                self._style_record(out, record[1], fill_bits, line_bits)
            elif record[0] == "newstyles":
                # StateNewStyles only; the arrays start at the next byte.
                out.bits(0, 1).bits(1, 1).bits(0, 4)
                out.raw(self._style_arrays(record[1], record[2], alpha, version))
                fill_bits = unsigned_bits(len(record[1]))
                line_bits = unsigned_bits(len(record[2]))
                out.bits(fill_bits, 4).bits(line_bits, 4)
            elif record[0] == "line":
                self._line_record(out, record[1], record[2])
            else:
                n = signed_bits(*record[1:])
                out.bits(1, 1).bits(0, 1).bits(max(n, 2) - 2, 4)
                for v in record[1:]:
                    out.sbits(v, max(n, 2))
        out.bits(0, 6)  # end of shape
        return out.align().bytes()

    @staticmethod
    def _style_arrays(fills, lines, alpha, version):
        def count(n):
            if n >= 0xFF and version >= 2:
                return struct.pack("<BH", 0xFF, n)
            return struct.pack("<B", n)
        data = count(len(fills))
        for fill in fills:
            data += b"\x00" + color_bytes(fill, alpha)
        data += count(len(lines))
        for width, color in lines:
            data += struct.pack("<H", int(round(width * TWIPS))) + color_bytes(color, alpha)
        return data

    @staticmethod
    def _style_record(out, style, fill_bits, line_bits):
        has_fill0, has_fill1 = style["fill0"] is not None, style["fill1"] is not None
        has_line = style["line"] is not None
        out.bits(0, 1).bits(0, 1).flag(has_line).flag(has_fill1).flag(has_fill0).bits(1, 1)
        mx, my = style["move"]
        n = signed_bits(mx, my)
        out.bits(n, 5).sbits(mx, n).sbits(my, n)
        if has_fill0:
            out.bits(style["fill0"], fill_bits)
        if has_fill1:
            out.bits(style["fill1"], fill_bits)
        if has_line:
            out.bits(style["line"], line_bits)

    @staticmethod
    def _line_record(out, dx, dy):
        n = max(signed_bits(dx, dy), 2)
        out.bits(1, 1).bits(1, 1).bits(n - 2, 4)
        if dx and dy:
            out.bits(1, 1).sbits(dx, n).sbits(dy, n)
        elif dx == 0:
            out.bits(0, 1).bits(1, 1).sbits(dy, n)
        else:
            out.bits(0, 1).bits(0, 1).sbits(dx, n)


def define_shape(char_id, shape, version=1):
    code = {1: DEFINE_SHAPE, 2: DEFINE_SHAPE2, 3: DEFINE_SHAPE3}[version]
    bounds = rect(BitWriter(), *shape.bounds()).bytes()
    return tag(code, struct.pack("<H", char_id) + bounds + shape.body(version))


def set_background(color):
    return tag(SET_BACKGROUND_COLOR, color_bytes(color, False))


def place_object(char_id, depth, translate=(0, 0), scale=None, rotate=None):
    return tag(PLACE_OBJECT, struct.pack("<HH", char_id, depth)
               + matrix(BitWriter(), translate, scale, rotate).bytes())


def place_object2(depth, char_id=None, translate=None, scale=None, rotate=None, move=False,
                  name=None):
    """PlaceObject2: flags UI8 (0x20 name, 0x04 matrix, 0x02 character,
    0x01 move), depth UI16, [character UI16], [MATRIX], [name STRING]."""
    has_matrix = translate is not None or scale is not None or rotate is not None
    flags = (0x20 if name else 0) | (0x04 if has_matrix else 0)
    flags |= (0x02 if char_id is not None else 0) | (0x01 if move else 0)
    body = struct.pack("<BH", flags, depth)
    if char_id is not None:
        body += struct.pack("<H", char_id)
    if has_matrix:
        body += matrix(BitWriter(), translate or (0, 0), scale, rotate).bytes()
    if name:
        body += name.encode() + b"\x00"
    return tag(PLACE_OBJECT2, body)


def remove_object(char_id, depth):
    return tag(REMOVE_OBJECT, struct.pack("<HH", char_id, depth))


def remove_object2(depth):
    return tag(REMOVE_OBJECT2, struct.pack("<H", depth))


def show_frame():
    return tag(SHOW_FRAME)


def get_url(url, target):
    """DoAction with one ActionGetURL and the end of actions."""
    payload = url.encode("utf-8") + b"\x00" + target.encode("utf-8") + b"\x00"
    return tag(DO_ACTION, struct.pack("<BH", ACTION_GET_URL, len(payload)) + payload + b"\x00")


def fscommand(command, args=""):
    return get_url("FSCommand:" + command, args)


def movie(tags, width=320, height=240, rate=12.0, version=6, compressed=False):
    """A whole file: header, frame size in pixels, 8.8 frame rate, frame
    count (the ShowFrame tags among `tags`), the tags and End."""
    body_tags = b"".join(tags)
    frames = sum(1 for t in tags if t == show_frame())
    body = (rect(BitWriter(), 0, width * TWIPS, 0, height * TWIPS).bytes()
            + struct.pack("<HH", int(round(rate * 256)), frames) + body_tags + tag(END))
    length = 8 + len(body)
    if compressed:
        return b"CWS" + struct.pack("<BI", version, length) + zlib.compress(body)
    return b"FWS" + struct.pack("<BI", version, length) + body


# --- the movies of the demo and the tests ---

DEMO_BACKGROUND = (0, 64, 128)
DEMO_SHAPE = (255, 200, 0)


def demo_movie(frames=24):
    """A navy stage with a yellow square that moves left to right and back,
    and a white ring; the first frame asks for ALLOWSCALE."""
    square = Shape(fills=[DEMO_SHAPE]).rectangle(0, 0, 80, 80)
    ring = Shape(lines=[(4, (255, 255, 255))])
    ring.circle(0, 0, 40, fill=None, line=1)
    tags = [set_background(DEMO_BACKGROUND), define_shape(1, square),
            define_shape(2, ring, version=2), place_object2(2, 2, translate=(175, 75)),
            fscommand("allowscale", "true")]
    for i in range(frames):
        x = 20 + (i if i < frames // 2 else frames - i) * 20
        tags += [place_object2(1, None if i else 1, translate=(x, 35), move=i > 0), show_frame()]
    return movie(tags, width=350, height=150, compressed=True)


def saver_movie(frames=60):
    """The demo screen saver's 4:3 movie: on the navy stage a yellow square
    crosses and comes back while a white ring sinks and rises."""
    square = Shape(fills=[DEMO_SHAPE]).rectangle(0, 0, 60, 60)
    ring = Shape(lines=[(4, (255, 255, 255))])
    ring.circle(0, 0, 30, fill=None, line=1)
    tags = [set_background(DEMO_BACKGROUND), define_shape(1, square),
            define_shape(2, ring, version=2)]
    half = frames // 2
    for i in range(frames):
        step = i if i < half else frames - i
        tags += [place_object2(1, None if i else 1, translate=(10 + step * 8, 90), move=i > 0),
                 place_object2(2, None if i else 2, translate=(160, 40 + step * 5), move=i > 0),
                 show_frame()]
    return movie(tags, width=320, height=240, compressed=True)


def test_set():
    """{file name: bytes} of the movies the native unit tests read."""
    red = Shape(fills=[(255, 0, 0)]).rectangle(0, 0, 100, 50)
    curved = Shape(fills=[(0, 0, 255, 255)], lines=[(2, (0, 128, 0, 255))])
    curved.circle(50, 50, 40, line=1)
    two_frames = [set_background((0, 255, 0)), define_shape(1, red),
                  place_object(1, 1, translate=(10, 20)), show_frame(),
                  place_object2(1, translate=(200, 150), move=True), fscommand("ping", "pong"),
                  show_frame()]
    blue = Shape(fills=[(0, 0, 255)]).rectangle(0, 0, 20, 20)
    removals = [define_shape(1, red), define_shape(2, blue), place_object(1, 1),
                place_object2(2, 2, translate=(150, 100)), show_frame(),
                place_object2(2, 1, move=True), show_frame(),
                remove_object(1, 1), remove_object2(2), show_frame()]
    # ActionPush (0x96) with a payload, ActionStop (0x07) without one.
    other_actions = tag(DO_ACTION, b"\x96\x04\x00\x00ab\x00\x07\x00")
    actions = [get_url("http://example.invalid/", "_blank"), other_actions,
               get_url("fscommand:AllowScale", "TRUE"), fscommand("quit"), show_frame()]
    unknown = [tag(43, b"label\x00"), tag(1000, bytes(100))]
    # Two squares sharing an edge, drawn once with red on one side (fill1)
    # and blue on the other (fill0); then, after new style arrays, a green
    # square whose style number 1 means the new green.
    shared = Shape(fills=[(255, 0, 0), (0, 0, 255)])
    shared.move_to(0, 0, fill0=0, fill1=1).line_to(50, 0)
    shared.move_to(50, 0, fill0=2, fill1=1).line_to(50, 50)
    shared.move_to(50, 50, fill0=0, fill1=1).line_to(0, 50).line_to(0, 0)
    shared.move_to(50, 0, fill0=0, fill1=2).line_to(100, 0).line_to(100, 50).line_to(50, 50)
    shared.new_styles(fills=[(0, 255, 0)]).rectangle(0, 60, 40, 100)
    return {
        "two_frames.swf": movie(two_frames),
        "unknown_tags.swf": movie(two_frames[:3] + unknown + two_frames[3:]),
        "removals.swf": movie(removals),
        "shared_edge.swf": movie([define_shape(3, shared, version=3), place_object(3, 1),
                                  show_frame()]),
        "actions.swf": movie(actions),
        "two_frames_cws.swf": movie(two_frames, compressed=True),
        "curved_shape3.swf": movie([define_shape(7, curved, version=3),
                                    place_object2(3, 7, translate=(0, 0)), show_frame()]),
        "demo.swf": demo_movie(),
    }


def main(argv):
    if len(argv) == 3 and argv[1] == "demo":
        Path(argv[2]).write_bytes(demo_movie())
        return 0
    if len(argv) == 3 and argv[1] == "saver":
        Path(argv[2]).write_bytes(saver_movie())
        return 0
    if len(argv) == 3 and argv[1] == "test-set":
        folder = Path(argv[2])
        folder.mkdir(parents=True, exist_ok=True)
        for name, data in test_set().items():
            (folder / name).write_bytes(data)
        return 0
    print(__doc__.strip().split("\n\n")[-1], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

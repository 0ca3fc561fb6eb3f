#!/usr/bin/env python3
"""Costly movies for the Flash control's benchmark and its responsiveness
tests: small files whose drawing would take seconds without the control's
limits on the work of a frame.

  star-N.swf        one self-crossing filled shape of N straight edges (a star
                    polygon: every edge crosses most of the others)
  star-spin.swf     the 10,000-edge star turning, 24 frames: redrawn on every
                    frame
  stroke.swf        one 100,000-point zig-zag stroke drawn with the widest pen
  placements.swf    one rectangle placed at all 65,535 depths

usage: make_stress_swf.py FOLDER            all of them, plus demo.swf
       make_stress_swf.py NAME OUT.swf      one of them (NAME without .swf)
"""

import math
import struct
import sys
from pathlib import Path

import make_swf
from make_swf import TWIPS, BitWriter, define_shape, movie, place_object2, show_frame, tag

STAR_EDGES = (2000, 10000, 30000, 250000)
STROKE_POINTS = 100000
WIDEST_PEN = 0xFFFF  # twips, the largest line width a file can hold
MAX_DEPTH = 0xFFFF


class Bits:
    """Bit fields collected as text and packed once (the writer's BitWriter
    handles one bit at a time, too slow for a million edges)."""

    def __init__(self):
        self.parts = []

    def bits(self, value, count):
        if count:
            self.parts.append(format(value & ((1 << count) - 1), f"0{count}b"))
        return self

    def bytes(self):
        text = "".join(self.parts)
        text += "0" * (-len(text) % 8)
        return int(text, 2).to_bytes(len(text) // 8, "big") if text else b""


def polygon_shape(points_twips, fill=None, line=None, closed=True):
    """DefineShape3 body after the id: bounds, one solid fill or one line
    style (width in twips, colour), a move to the first point, straight
    edges through the others (and back to it when `closed`)."""
    xs = [p[0] for p in points_twips]
    ys = [p[1] for p in points_twips]
    bounds = make_swf.rect(BitWriter(), min(xs), max(xs), min(ys), max(ys)).bytes()
    styles = struct.pack("<B", 1 if fill else 0)
    if fill:
        styles += b"\x00" + make_swf.color_bytes(fill, True)
    styles += struct.pack("<B", 1 if line else 0)
    if line:
        styles += struct.pack("<H", line[0]) + make_swf.color_bytes(line[1], True)
    out = Bits()
    out.bits(1 if fill else 0, 4).bits(1 if line else 0, 4)
    # Style change: line style if any, fill style 1 if any, move to.
    x0, y0 = points_twips[0]
    n = make_swf.signed_bits(x0, y0)
    out.bits(0, 2).bits(1 if line else 0, 1).bits(1 if fill else 0, 1).bits(0, 1).bits(1, 1)
    out.bits(n, 5).bits(x0, n).bits(y0, n)
    if fill:
        out.bits(1, 1)
    if line:
        out.bits(1, 1)
    pen = (x0, y0)
    for point in points_twips[1:] + (points_twips[:1] if closed else []):
        dx, dy = point[0] - pen[0], point[1] - pen[1]
        n = max(make_swf.signed_bits(dx, dy), 2)
        out.bits(0b11, 2).bits(n - 2, 4).bits(1, 1).bits(dx, n).bits(dy, n)
        pen = point
    out.bits(0, 6)
    return bounds + styles + out.bytes()


def star_points(edges, radius=110, centre=(160, 120)):
    """Vertices of a star polygon with `edges` edges: vertex k sits at angle
    k * step of a circle, step close to half a turn, so that every edge
    nearly crosses the circle and most pairs of edges cross."""
    step = edges // 2 - 1
    while math.gcd(step, edges) != 1:
        step -= 1
    points = []
    for k in range(edges):
        angle = 2 * math.pi * (k * step % edges) / edges
        points.append((int(round((centre[0] + radius * math.cos(angle)) * TWIPS)),
                       int(round((centre[1] + radius * math.sin(angle)) * TWIPS))))
    return points


def star_movie(edges, rate=12.0):
    shape = polygon_shape(star_points(edges), fill=(255, 200, 0))
    return movie([make_swf.set_background((0, 64, 128)), tag(make_swf.DEFINE_SHAPE3,
                  struct.pack("<H", 1) + shape), place_object2(1, 1), show_frame()], rate=rate)


def star_spin_movie(edges=10000, frames=24):
    """The star about its centre, turned a little more on every frame."""
    points = star_points(edges, centre=(0, 0))
    tags = [make_swf.set_background((0, 64, 128)),
            tag(make_swf.DEFINE_SHAPE3, struct.pack("<H", 1) + polygon_shape(points,
                                                                              fill=(255, 200, 0)))]
    for i in range(frames):
        a = 2 * math.pi * i / frames
        tags += [place_object2(1, None if i else 1, translate=(160, 120), move=i > 0,
                               scale=(math.cos(a), math.cos(a)),
                               rotate=(math.sin(a), -math.sin(a))),
                 show_frame()]
    return movie(tags, rate=24.0)


def stroke_movie(points=STROKE_POINTS):
    """A zig-zag of `points` points across the stage, drawn with the widest
    pen (the pen alone covers the stage many times over)."""
    path = [(int((10 + 300 * k / points) * TWIPS), (20 if k % 2 else 220) * TWIPS)
            for k in range(points)]
    body = polygon_shape(path, line=(WIDEST_PEN, (255, 255, 255)), closed=False)
    return movie([make_swf.set_background((0, 64, 128)),
                  tag(make_swf.DEFINE_SHAPE3, struct.pack("<H", 1) + body), place_object2(1, 1),
                  show_frame()])


def placements_movie(count=MAX_DEPTH):
    """One 40 x 30 rectangle placed at every depth from 1 to `count`, all at
    the stage's origin (PlaceObject2 with a character and no matrix)."""
    square = make_swf.Shape(fills=[(255, 200, 0)]).rectangle(0, 0, 40, 30)
    tags = [make_swf.set_background((0, 64, 128)), define_shape(1, square)]
    tags += [tag(make_swf.PLACE_OBJECT2, struct.pack("<BHH", 0x02, depth, 1))
             for depth in range(1, count + 1)]
    return movie(tags + [show_frame()])


def stress_set():
    """{file name: bytes} of every costly movie."""
    movies = {f"star-{n}.swf": (lambda n=n: star_movie(n)) for n in STAR_EDGES}
    movies.update({"star-spin.swf": star_spin_movie, "stroke.swf": stroke_movie,
                   "placements.swf": placements_movie})
    return movies


def main(argv):
    movies = stress_set()
    if len(argv) == 2:
        folder = Path(argv[1])
        folder.mkdir(parents=True, exist_ok=True)
        for name, make in movies.items():
            (folder / name).write_bytes(make())
        (folder / "demo.swf").write_bytes(make_swf.demo_movie())
        return 0
    if len(argv) == 3 and argv[1] + ".swf" in movies:
        Path(argv[2]).write_bytes(movies[argv[1] + ".swf"]())
        return 0
    print(__doc__.strip().split("\n\n")[-1], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

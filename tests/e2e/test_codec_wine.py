"""The decompression library under Wine against a second implementation:
entries whose stored bytes were imploded by StormLib (Debian's libstorm,
through ctypes) are expanded by the installer into the original files."""

import ctypes
import ctypes.util
import random
import struct
import sys
import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

TITLE = "Aqua"
SAVER_FOLDER = rf"C:\windows\{TITLE} dir"
ENTRY_SIZE = 280
TABLE_START = harness.PACKAGE_OFFSET + 68
SLOTS = 11
# PackageEntry: 256-byte length-prefixed name, then six little-endian i32.
ENTRY_FIELDS = struct.Struct("<6i")
NAME_SIZE = 256
# An empty saver data file: a 1240-byte header whose record count is 0.
EMPTY_SAVER_DATA = bytes(1240)
# StormLib's implode needs a work area of sizeof(TCmpStruct), about 36 KB.
STORM_WORK_SIZE = 1 << 17
CMP_BINARY, CMP_ASCII = 0, 1


def load_storm():
    for name in ("libstorm.so.9", ctypes.util.find_library("storm")):
        if not name:
            continue
        try:
            return ctypes.CDLL(name)
        except OSError:
            pass
    print("SKIP: libstorm (Debian package libstorm-dev) is not installed", file=sys.stderr)
    sys.exit(harness.SKIP_RETURN_CODE)


STORM = load_storm()
READ_FN = ctypes.CFUNCTYPE(ctypes.c_uint, ctypes.POINTER(ctypes.c_char),
                           ctypes.POINTER(ctypes.c_uint), ctypes.c_void_p)
WRITE_FN = ctypes.CFUNCTYPE(None, ctypes.POINTER(ctypes.c_char),
                            ctypes.POINTER(ctypes.c_uint), ctypes.c_void_p)
STORM.implode.argtypes = [READ_FN, WRITE_FN, ctypes.c_char_p, ctypes.c_void_p,
                          ctypes.POINTER(ctypes.c_uint), ctypes.POINTER(ctypes.c_uint)]
STORM.implode.restype = ctypes.c_uint


def storm_implode(data, literal_mode, dictionary_size):
    """StormLib's implode of `data`: the raw stream, beginning with the
    literal mode byte and the dictionary's size code."""
    position = 0
    out = bytearray()

    def read(buffer, size, _param):
        nonlocal position
        count = min(size[0], len(data) - position)
        ctypes.memmove(buffer, data[position:position + count], count)
        position += count
        return count

    def write(buffer, size, _param):
        out.extend(ctypes.string_at(buffer, size[0]))

    reader, writer = READ_FN(read), WRITE_FN(write)
    work = ctypes.create_string_buffer(STORM_WORK_SIZE)
    mode, dictionary = ctypes.c_uint(literal_mode), ctypes.c_uint(dictionary_size)
    result = STORM.implode(reader, writer, work, None, ctypes.byref(mode),
                           ctypes.byref(dictionary))
    if result != 0:
        raise AssertionError(f"StormLib implode failed with {result}")
    return bytes(out)


def binary_payload(seed, size):
    """Literal stretches, runs longer than the longest match (518 bytes),
    and blocks repeated at distances up to the largest dictionary."""
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        kind = rng.randrange(4)
        if kind == 0:
            out += rng.randbytes(rng.randrange(1, 600))
        elif kind == 1:
            out += bytes([rng.randrange(256)]) * rng.randrange(2, 1500)
        elif out:
            distance = rng.randrange(1, min(len(out), 4096) + 1)
            length = rng.randrange(2, 700)
            for _ in range(length):
                out.append(out[-distance])
    return bytes(out[:size])


def text_payload(seed, size):
    """Words and line breaks with a few bytes above 127, as ASCII-mode
    literals meet them in a text file."""
    rng = random.Random(seed)
    words = ["screen", "saver", "licence", "install", "bubble", "aqua", "the", "of", "\xe9t\xe9",
             "na\xefve", "\xa9", "\r\n"]
    text = ""
    while len(text) < size:
        text += rng.choice(words) + (" " if rng.randrange(5) else "")
    return text[:size].encode("latin-1")


def read_entries(data):
    """[(name bytes, [start, end, type, compressed, packed, extracted])] of
    the 11 slots of package bytes."""
    entries = []
    for slot in range(SLOTS):
        at = TABLE_START + slot * ENTRY_SIZE
        name = bytes(data[at + 1:at + 1 + data[at]])
        fields = list(ENTRY_FIELDS.unpack_from(data, at + NAME_SIZE))
        entries.append((name, fields))
    return entries


def replace_stored_bytes(data, replacements):
    """Package bytes with the stored bytes of some slots replaced
    ({slot: bytes}); the entry data is laid out again back to back in slot
    order, and the offsets and packed sizes rewritten. Empty slots point at
    the next entry's start with no length, as the package writer leaves them."""
    entries = read_entries(data)
    out = bytearray(data[:harness.TABLE_END])
    for slot, (name, fields) in enumerate(entries):
        if slot == 0 or not name:
            continue
        start, end = fields[0], fields[1]
        stored = replacements.get(slot, data[start:end + 1])
        fields[0], fields[1] = len(out), len(out) + len(stored) - 1
        if fields[3] & 0xFF:
            fields[4] = len(stored)
        ENTRY_FIELDS.pack_into(out, TABLE_START + slot * ENTRY_SIZE + NAME_SIZE, *fields)
        out += stored
    for slot, (name, fields) in enumerate(entries):
        if slot and not name:
            following = [f[0] for n, f in read_entries(out)[slot + 1:] if n]
            position = following[0] if following else len(out)
            ENTRY_FIELDS.pack_into(out, TABLE_START + slot * ENTRY_SIZE + NAME_SIZE,
                                   position, position, fields[2], fields[3], 0, 0)
    return bytes(out)


class StormStreamInstallTest(harness.InstallerTestCase):
    """Slots 7, 9 and 10 carry StormLib streams in each literal mode and
    dictionary size; Install places the expanded files, which must equal the
    originals byte for byte."""

    # slot: (file name, payload, literal mode, dictionary size, stream header)
    CASES = {
        7: ("extra.bin", binary_payload(7, 9000), CMP_BINARY, 2048, b"\x00\x05"),
        9: ("saver1.dll", binary_payload(9, 41000), CMP_BINARY, 4096, b"\x00\x06"),
        10: ("saver2.dll", text_payload(10, 23000), CMP_ASCII, 1024, b"\x01\x04"),
    }

    def build_installer(self):
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes(),
                                                 "data.ssd": EMPTY_SAVER_DATA})
        for name, payload, *_ in self.CASES.values():
            files[name] = payload
        manifest = harness.standard_manifest(title=TITLE, preview_kind=1,
                                             extra={"slot7.compressed": 1})
        installer = self.package(manifest, files)
        data = installer.read_bytes()
        streams = {}
        for slot, (_name, payload, mode, dictionary, header) in self.CASES.items():
            streams[slot] = storm_implode(payload, mode, dictionary)
            self.assertEqual(streams[slot][:2], header)
        patched = replace_stored_bytes(data, streams)
        for slot, (name, fields) in enumerate(read_entries(patched)):
            if slot in streams:
                self.assertEqual(patched[fields[0]:fields[1] + 1], streams[slot])
                self.assertEqual(fields[5], len(self.CASES[slot][1]), name)
        self.assertEqual(len(patched), read_entries(patched)[10][1][1] + 1)
        installer.write_bytes(harness.mark_package(patched))
        return installer

    def assert_install_ends(self, timeout=120):
        code = self.installer.wait(timeout)
        if code is None:
            boxes = [w for w in self.prefix.driver("list")["windows"] if w["class"] == "#32770"]
            texts = [self.prefix.driver("wait-box", caption=b["caption"])["text"]
                     for b in boxes]
            self.fail(f"the installer still runs {timeout} s after Install; boxes: {texts}")
        return code

    def assert_same_bytes(self, actual, expected):
        if actual == expected:
            return
        first = next((i for i, (x, y) in enumerate(zip(actual, expected)) if x != y),
                     min(len(actual), len(expected)))
        self.fail(f"{len(actual)} bytes expanded, {len(expected)} expected; "
                  f"first difference at offset {first}")

    def test_install_expands_storm_streams(self):
        self.start_installer(self.build_installer())
        window = self.prefix.driver("window-info")
        self.assertEqual([c["text"] for c in window["controls"] if c["text"] == "Installa"],
                         ["Installa"])
        self.prefix.driver("click", text="Installa")
        self.assertEqual(self.assert_install_ends(), 0)

        saver_folder = self.prefix.host_path(SAVER_FOLDER)
        for slot, (name, payload, *_rest) in self.CASES.items():
            with self.subTest(slot=slot, file=name):
                installed = saver_folder / name
                self.assertTrue(installed.is_file(), f"{installed} is missing")
                self.assert_same_bytes(installed.read_bytes(), payload)
        engine = self.prefix.host_path(rf"C:\windows\{TITLE}.scr")
        self.assert_same_bytes(engine.read_bytes(), harness.support_files()["engine.scr"])
        self.assertFalse((saver_folder / "saver.ini").exists(), "saver.ini is temporary")
        self.assertFalse((saver_folder / f"{TITLE}.ssd").exists(), "the data file is temporary")
        self.assertFalse(self.working_copy().exists(), "the working copy is deleted at the end")


class PackagePatchTest(unittest.TestCase):
    """The test's own package rewriting, without Wine: what it writes must
    read back as a consistent package."""

    def test_replacing_a_middle_slot_moves_the_later_ones(self):
        header = bytearray(harness.TABLE_END)
        layout = {1: b"library", 7: b"seven", 8: b"eight!", 9: b"nine"}
        position = harness.TABLE_END
        body = b""
        for slot in range(1, SLOTS):
            at = TABLE_START + slot * ENTRY_SIZE
            stored = layout.get(slot, b"")
            if stored:
                header[at] = 1
                header[at + 1] = ord("a")
            compressed = 1 if slot in (7, 9) else 0
            ENTRY_FIELDS.pack_into(header, at + NAME_SIZE, position, position + len(stored) - 1,
                                   5, compressed, len(stored) * compressed, len(stored))
            position += len(stored)
            body += stored
        patched = replace_stored_bytes(bytes(header) + body, {7: b"SEVEN-LONGER"})
        entries = read_entries(patched)
        for slot, stored in {**layout, 7: b"SEVEN-LONGER"}.items():
            start, end, _type, compressed, packed, _size = entries[slot][1]
            self.assertEqual(patched[start:end + 1], stored, slot)
            self.assertEqual(packed, len(stored) if compressed else 0, slot)
        self.assertEqual(entries[10][1][:2], [len(patched), len(patched)],
                         "an empty last slot points at the end")
        self.assertEqual(entries[2][1][:2], [entries[7][1][0]] * 2,
                         "an empty slot points at the next entry")
        self.assertEqual(len(patched), entries[9][1][1] + 1)


if __name__ == "__main__":
    unittest.main()

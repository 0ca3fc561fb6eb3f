#!/usr/bin/env python3
"""Writes the demo package's generated files into a folder: the preview
bitmap, small deterministic stand-ins for the screensaver engine (an i386
Windows program's headers over filler, as saverpack wants of slot 6), a saver
data file without records (for packages that give slot 8 as a file) and
the support libraries (slots 6 to 10), and the record files of
samples/data.manifest, from which the demo builds its data file.

usage: make_demo_files.py OUT_DIR
"""

import struct
import sys
from pathlib import Path

from make_preview import bitmap_bytes

# Slot file names as samples/demo.manifest names them, with their sizes.
STAND_INS = {
    "engine.scr": (6, 20000),
    "extra.bin": (7, 3000),
    "data.ssd": (8, 5000),
    "saver1.dll": (9, 8000),
    "saver2.dll": (10, 4000),
}

# The record files of samples/data.manifest.
DATA_RECORDS = {
    "movie.swf": (11, 60000),
    "settings.txt": (12, 700),
}


def blob(seed, tag, size):
    """Runs of a few letters from a linear congruential generator:
    compressible, but not trivially so."""
    state = (seed * 2654435761 + tag) & 0xFFFFFFFF
    out = bytearray()
    while len(out) < size:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out += bytes([65 + (state >> 16) % 8]) * (1 + (state >> 8) % 5)
    return bytes(out[:size])


# Saver data file header fields the installer reads (i32 little-endian):
# recordCount at 212 and firstRecordMode at 1204 of the 1240-byte header.
RECORD_COUNT_OFFSET = 212
FIRST_RECORD_MODE_OFFSET = 1204


def empty_data_file(content):
    """`content` as a saver data file without records: the header's two
    fields that the installer reads are zero, every other byte is kept."""
    data = bytearray(content)
    for offset in (RECORD_COUNT_OFFSET, FIRST_RECORD_MODE_OFFSET):
        data[offset:offset + 4] = bytes(4)
    return bytes(data)


def with_program_headers(content):
    """`content` under the headers of an i386 Windows program: "MZ", the PE
    header's offset 0x40 at 0x3C, "PE\\0\\0", machine 0x14C, 16 bytes,
    characteristics 0x0102 (executable, 32-bit), optional header magic
    0x10B (PE32)."""
    headers = (b"MZ" + bytes(58) + struct.pack("<I", 0x40) + b"PE\0\0" +
               struct.pack("<H", 0x14C) + bytes(16) + struct.pack("<HH", 0x0102, 0x10B))
    return headers + content[len(headers):]


def support_files(seed=1):
    """{file name: bytes} of the stand-ins for slots 6 to 10."""
    files = {name: blob(seed, tag, size) for name, (tag, size) in STAND_INS.items()}
    files["data.ssd"] = empty_data_file(files["data.ssd"])
    files["engine.scr"] = with_program_headers(files["engine.scr"])
    return files


def data_record_files(seed=1):
    """{file name: bytes} of the demo data file's records."""
    return {name: blob(seed, tag, size) for name, (tag, size) in DATA_RECORDS.items()}


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out_dir = Path(argv[1])
    out_dir.mkdir(parents=True, exist_ok=True)
    (out_dir / "preview.bmp").write_bytes(bitmap_bytes())
    for name, content in dict(support_files(), **data_record_files()).items():
        (out_dir / name).write_bytes(content)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Writes the demo package's generated files into a folder: the preview
bitmap, small deterministic stand-ins for the screensaver engine and its
support libraries (slots 6, 7, 9, 10), an empty saver data file (a header
without records) for packages that give slot 8 as a file, and the record
files of samples/data.manifest, from which the demo builds its data file.

usage: make_demo_files.py OUT_DIR
"""

import sys
from pathlib import Path

from make_preview import bitmap_bytes

# Slot file names as samples/demo.manifest names them, with their sizes.
STAND_INS = {
    "engine.scr": (6, 20000),
    "extra.bin": (7, 3000),
    "saver1.dll": (9, 8000),
    "saver2.dll": (10, 4000),
}

# The record files of samples/data.manifest.
DATA_RECORDS = {
    "movie.swf": (11, 60000),
    "settings.txt": (12, 700),
}

# A saver data file whose header holds no records: what a package without
# screensaver files of its own carries in slot 8.
EMPTY_SAVER_DATA = bytes(1240)


def blob(seed, tag, size):
    """Runs of a few letters from a linear congruential generator:
    compressible, but not trivially so."""
    state = (seed * 2654435761 + tag) & 0xFFFFFFFF
    out = bytearray()
    while len(out) < size:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out += bytes([65 + (state >> 16) % 8]) * (1 + (state >> 8) % 5)
    return bytes(out[:size])


def support_files(seed=1):
    """{file name: bytes} of the stand-ins for slots 6 to 10."""
    files = {name: blob(seed, tag, size) for name, (tag, size) in STAND_INS.items()}
    files["data.ssd"] = EMPTY_SAVER_DATA
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

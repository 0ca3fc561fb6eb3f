#!/usr/bin/env python3
"""Fills a folder with everything the sample manifests name, ready for
`saverpack build`: the manifests themselves (bitmap.manifest,
flash.manifest, silent.manifest, demo.manifest and the data manifest
data.manifest), the licence and read-me texts, the parts taken from a
Windows build (impborl.dll, flashax.exe, engine.scr), the preview bitmap
and movie, the screensaver's movie and the generated stand-ins of the
other slots.

usage: sample_files.py BIN_DIR OUT_DIR
  BIN_DIR  the Windows build's programs, e.g. build/win32/bin
"""

import shutil
import sys
from pathlib import Path

from make_demo_files import data_record_files, support_files
from make_preview import bitmap_bytes
from make_swf import demo_movie, saver_movie

SAMPLES = Path(__file__).resolve().parent
MANIFESTS = ("bitmap.manifest", "flash.manifest", "silent.manifest", "demo.manifest",
             "data.manifest")
TEXTS = ("License.txt", "ReadMe.txt")
# Parts of the Windows build that a package carries.
BUILD_PARTS = ("impborl.dll", "flashax.exe", "engine.scr")


def write_sample_files(bin_dir, out_dir):
    """Writes the files into `out_dir`; returns their names."""
    bin_dir, out_dir = Path(bin_dir), Path(out_dir)
    missing = [str(bin_dir / name) for name in BUILD_PARTS if not (bin_dir / name).is_file()]
    if missing:
        raise FileNotFoundError("not built (run make build): " + ", ".join(missing))
    out_dir.mkdir(parents=True, exist_ok=True)
    generated = dict(support_files(), **data_record_files())
    del generated["data.ssd"]  # the samples build their data file from data.manifest
    generated["preview.bmp"] = bitmap_bytes()
    generated["preview.swf"] = demo_movie()
    generated["movie.swf"] = saver_movie()
    for name, content in generated.items():
        (out_dir / name).write_bytes(content)
    for name in MANIFESTS + TEXTS:
        shutil.copyfile(SAMPLES / name, out_dir / name)
    for name in BUILD_PARTS:  # the real engine replaces the generated filler
        shutil.copyfile(bin_dir / name, out_dir / name)
    return sorted(set(generated) | set(MANIFESTS) | set(TEXTS) | set(BUILD_PARTS))


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        names = write_sample_files(argv[1], argv[2])
    except FileNotFoundError as error:
        print(f"sample_files: {error}", file=sys.stderr)
        return 1
    print(f"sample_files: wrote {len(names)} files into {argv[2]}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

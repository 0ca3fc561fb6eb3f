"""saverpack against the programs of the Windows build: the built install.exe
carries the installer stub's marker and is taken as the stub, the built
engine.scr is refused as a stub and taken as slot 6, and the demo package
builds from them without a warning. Runs no Windows program."""

import subprocess
import sys
import unittest
from pathlib import Path

import harness

harness.require_build("install.exe", "engine.scr", "impborl.dll", "flashax.exe")

SAMPLES = Path(__file__).resolve().parents[2] / "samples"


class BuiltProgramsTest(unittest.TestCase):
    def setUp(self):
        self.work = harness.WORK_ROOT / self.id().replace("__main__.", "")
        self.files = dict(harness.support_files(), **{
            "preview.bmp": harness.bitmap_bytes(),
            "engine.scr": harness.artifact("engine.scr").read_bytes(),
            "flashax.exe": harness.artifact("flashax.exe").read_bytes(),
        })

    def saverpack(self, *args):
        return subprocess.run([str(harness.saverpack_path()), *map(str, args)],
                              stdin=subprocess.DEVNULL, capture_output=True, text=True)

    def test_the_built_stub_carries_its_marker(self):
        marker = b"saverpack installer stub, package at 552960"
        self.assertIn(marker, harness.artifact("install.exe").read_bytes())
        self.assertNotIn(marker, harness.artifact("engine.scr").read_bytes())

    def test_the_engine_is_refused_as_a_stub_and_taken_as_slot_6(self):
        manifest = harness.standard_manifest(preview_kind=1,
                                             extra={"slot2": harness.artifact("flashax.exe")})
        installer = harness.build_package(self.work, manifest, self.files)
        self.assertTrue(installer.is_file())
        refused = self.saverpack("build", self.work / "installer.manifest", "--stub",
                                 harness.artifact("engine.scr"), "-o", self.work / "bad.exe")
        self.assertEqual(refused.returncode, 1, refused.stderr)
        self.assertIn("is not the installer stub", refused.stderr)
        self.assertFalse((self.work / "bad.exe").exists())

    def test_the_demo_builds_without_a_warning(self):
        package = self.work / "demo"
        package.mkdir(parents=True, exist_ok=True)
        subprocess.run([sys.executable, str(SAMPLES / "make_demo_files.py"), str(package)],
                       check=True, stdin=subprocess.DEVNULL)
        for name in ("demo.manifest", "data.manifest", "License.txt", "ReadMe.txt"):
            (package / name).write_bytes((SAMPLES / name).read_bytes())
        for name in ("impborl.dll", "flashax.exe", "engine.scr"):
            (package / name).write_bytes(harness.artifact(name).read_bytes())
        for kind, name in (("demo", "preview.swf"), ("saver", "movie.swf")):
            subprocess.run([sys.executable, str(SAMPLES / "make_swf.py"), kind,
                            str(package / name)], check=True, stdin=subprocess.DEVNULL)
        result = self.saverpack("build", package / "demo.manifest", "--stub",
                                harness.artifact("install.exe"), "-o", package / "demo.exe",
                                "--werror")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn("warning", result.stderr)


if __name__ == "__main__":
    unittest.main()

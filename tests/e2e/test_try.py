"""`make try` on the sample packages of samples/: each sample is built by
saverpack from its manifest, tried (installed, its screensaver run,
uninstalled) and its report read back."""

import re
import shutil
import subprocess
import sys
import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe", "engine.scr", "flashax.exe",
                      "flashctl.dll", "desk.cpl")
from sample_files import write_sample_files  # noqa: E402 (samples/ is on the path)

WORK = harness.WORK_ROOT / "test_try"
FLASH_CONTROL = harness.FLASH_CONTROL_FOLDER + "\\flashctl.dll"


def build_sample(manifest, folder=WORK / "samples", write_files=True):
    """Writes the sample files (unless told not to) and builds `manifest`
    into <stem>-setup.exe."""
    if write_files:
        write_sample_files(harness.build_dir() / "bin", folder)
    out = folder / (manifest.replace(".manifest", "") + "-setup.exe")
    subprocess.run([str(harness.saverpack_path()), "build", str(folder / manifest), "--stub",
                    str(harness.artifact("install.exe")), "-o", str(out)], check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    return out


def make_try(installer, out, no_flash=False):
    """Runs `make try` as an author would; returns its exit code and the
    lines of its standard output (make's own error line goes to stderr)."""
    command = ["make", "--no-print-directory", "-C", str(harness.SOURCE_DIR), "try",
               f"INSTALLER={installer}", f"OUT={out}"] + (["NO_FLASH=1"] if no_flash else [])
    result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                            timeout=600)
    sys.stderr.write(result.stdout + result.stderr)
    return result.returncode, result.stdout.strip().splitlines() or [result.stderr.strip()]


class TryTestCase(unittest.TestCase):
    def try_sample(self, manifest, no_flash=False):
        installer = build_sample(manifest)
        out = WORK / (manifest.replace(".manifest", "") + ("-no-flash" if no_flash else ""))
        shutil.rmtree(out, ignore_errors=True)
        code, lines = make_try(installer, out, no_flash)
        return code, lines, out

    def assert_report(self, out, *expected):
        """report.md holds every expected text, and both reports show only
        screenshots that exist."""
        md = (out / "report.md").read_text()
        page = (out / "report.html").read_text()
        for text in expected:
            self.assertIn(text, md)
        shots = re.findall(r"\]\((shots/[^)]+\.png)\)", md)
        self.assertTrue(shots, "the report shows screenshots")
        self.assertEqual(shots, re.findall(r'<img src="(shots/[^"]+\.png)"', page))
        for shot in shots:
            self.assertTrue((out / shot).is_file(), shot)
        return md

    def assert_tried(self, code, lines, title):
        self.assertEqual(lines[-1], f'try: OK: "{title}" installed and uninstalled')
        self.assertEqual(code, 0)


class SampleTest(TryTestCase):
    def test_bitmap_with_licence_and_read_me(self):
        code, lines, out = self.try_sample("bitmap.manifest")
        self.assert_tried(code, lines, "Aqua Reef")
        md = self.assert_report(
            out, "| installBtn | Button | 108 | Accept and Install | yes | yes |",
            "| licenseScrollBox | Edit | 100 | SOFTWARE LICENCE AGREEMENT",
            "| bmpPanel | Static | 102 |  | yes |",
            "class Notepad, caption \"ReadMe.txt - Notepad\"",
            f"| C:\\windows\\Aqua Reef dir\\installer.BMP | {len(harness.bitmap_bytes())} | new |",
            f"| C:\\windows\\Aqua Reef.scr | {harness.artifact('engine.scr').stat().st_size} "
            "| new |",
            "| UninstallString | \"C:\\windows\\Aqua Reef.scr\" /u |",
            "| uninstall | Aqua Reef Screen Saver | Remove Aqua Reef Screen Saver? | &Yes, &No "
            "| &Yes |",
            "| Saver folder Aqua Reef dir | gone |",
            "covering the whole screen, topmost.", "It ended on a key press with exit code 0.")
        self.assertNotIn("C:\\setup\\", md, "make try's own copy of the installer is no finding")

    def test_flash_preview_without_licence(self):
        code, lines, out = self.try_sample("flash.manifest")
        self.assert_tried(code, lines, "Aqua")
        self.assert_report(
            out, "| installBtn | Button | 108 | Installa | yes | yes |",
            "| moviePanel1 | TPanel | 103 |  | yes |",
            "install: a window opened, class #32770, caption \"Display Properties\".",
            "| UninstallString | C:\\windows\\Aqua.scr /u |",
            "| Flash control (InprocServer32) | " + FLASH_CONTROL + " |")

    def test_silent_package(self):
        code, lines, out = self.try_sample("silent.manifest")
        self.assert_tried(code, lines, "Quiet Sea")
        md = self.assert_report(out, "No installer window was shown (a silent package).",
                                "| C:\\windows\\Quiet Sea dir\\saver.dat | 1240 | new |",
                                "| Engine Quiet Sea.scr | gone |")
        self.assertNotIn("| install |", md, "a silent install shows no box")

    def test_without_the_flash_control_the_runtime_installer_runs(self):
        code, lines, out = self.try_sample("flash.manifest", no_flash=True)
        self.assert_tried(code, lines, "Aqua")
        self.assert_report(
            out, "without the Flash control (NO_FLASH).",
            "| Flash control (InprocServer32) |  | " + FLASH_CONTROL + " |",
            f"| C:\\windows\\flashax.exe | {harness.artifact('flashax.exe').stat().st_size} | "
            "the Flash runtime, shared: stays |")


if __name__ == "__main__":
    unittest.main()

"""`make try` says why a try failed, on its last line and with a non-zero
exit code: an install that ends with an error box, an uninstall command
that cannot run, a file that is no installer. Also the report's own
escaping of what Windows shows."""

import shutil
import sys
import unittest
from pathlib import Path

import harness
from sample_files import write_sample_files
from test_try import WORK, build_sample, make_try

sys.path.insert(0, str(harness.SOURCE_DIR / "scripts"))
from try_report import Report  # noqa: E402


def without_line(manifest, key, folder):
    """A copy of a sample manifest (in `folder`) without the line of `key`."""
    text = (folder / manifest).read_text()
    lines = [line for line in text.splitlines() if not line.startswith(f"{key} ")]
    copy = folder / manifest.replace(".manifest", f"-no-{key}.manifest")
    copy.write_text("\n".join(lines) + "\n")
    return copy.name


class FailureTest(unittest.TestCase):
    def run_try(self, installer, name, no_flash=False):
        out = WORK / f"{name}-try"
        shutil.rmtree(out, ignore_errors=True)
        return make_try(installer, out, no_flash) + (out,)

    def test_an_install_that_ends_with_an_error_box(self):
        folder = WORK / "failing"
        write_sample_files(harness.build_dir() / "bin", folder)
        manifest = without_line("silent.manifest", "slot2", folder)
        installer = build_sample(manifest, folder, write_files=False)
        code, lines, out = self.run_try(installer, "no-flash-runtime", no_flash=True)
        self.assertEqual(lines[-1], "try: FAILED: the installer showed an error: Installer file "
                                    "is corrupted. Error -402.")
        self.assertNotEqual(code, 0)
        md = (out / "report.md").read_text()
        self.assertIn("| install | Error | Installer file is corrupted. Error -402.  | &Abort | "
                      "&Abort |", md)
        self.assertIn("Not run: there is no uninstall entry.", md)

    def test_an_engine_that_is_no_program_cannot_uninstall(self):
        folder = WORK / "filler-engine"
        write_sample_files(harness.build_dir() / "bin", folder)
        # Generated filler in place of the engine: installed, but no program.
        (folder / "engine.scr").write_bytes(harness.support_files()["engine.scr"])
        installer = build_sample("silent.manifest", folder, write_files=False)
        code, lines, out = self.run_try(installer, "filler-engine")
        # Its program header passes the builder, but Windows cannot load the
        # filler behind it: 193 (not a valid program) or 8 (not enough memory
        # for the image it claims), as the loader decides.
        self.assertRegex(lines[-1], r"^try: FAILED: the uninstall command could not be run: "
                                    r"start failed \(error (193|8)\)$")
        md = (out / "report.md").read_text()
        self.assertIn("| Uninstall entry | still there |", md)
        self.assertIn("| Engine Quiet Sea.scr | still there |", md)
        self.assertIn("| Saver folder Quiet Sea dir | still there |", md)
        self.assertIn("It ended at once (exit code 1) without a window.", md)
        self.assertNotEqual(code, 0)

    def test_a_file_that_is_no_installer(self):
        not_installer = WORK / "notes.txt"
        not_installer.parent.mkdir(parents=True, exist_ok=True)
        not_installer.write_text("just text\n")
        code, lines, _ = self.run_try(not_installer, "not-an-installer")
        self.assertEqual(lines[-1], f"try: cannot try the installer: {not_installer} is not an "
                                    "installer built by saverpack (no package table at 0x87000)")
        self.assertNotEqual(code, 0)

    def test_without_an_installer_make_try_shows_its_usage(self):
        code, lines = make_try("", WORK / "usage")
        self.assertIn("usage: make try INSTALLER=", lines[-1])
        self.assertNotEqual(code, 0)


class ReportTest(unittest.TestCase):
    def test_texts_of_windows_stay_readable_in_both_reports(self):
        report = Report("Trying <x>.exe")
        report.table(["Text", "Path"], [["Line 1\r\nA | B <b>", r"C:\windows\a\"b.scr"]])
        report.image(Path("shots/01 a.png"), "a & b")
        md, page = report.markdown(), report.html()
        self.assertIn("| Line 1<br>A \\| B &lt;b> | C:\\windows\\a\\\\\"b.scr |", md)
        self.assertIn("![a & b](shots/01%20a.png)", md)
        self.assertIn("<td>Line 1<br>A | B &lt;b&gt;</td>", page)
        self.assertIn('<img src="shots/01 a.png" alt="a &amp; b">', page)
        self.assertIn("<title>Trying &lt;x&gt;.exe</title>", page)


if __name__ == "__main__":
    unittest.main()

"""docs/authoring.md works as written: its shell blocks run, in order, in
one shell from the repository's top folder, with a home folder of the
test's own; then what they promised is there."""

import os
import re
import shutil
import subprocess
import sys
import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe", "engine.scr", "flashax.exe",
                      "flashctl.dll", "desk.cpl")

GUIDE = harness.SOURCE_DIR / "docs" / "authoring.md"
DEFAULT_TREES = {"build/native/": harness.NATIVE_DIR, "build/win32/": harness.build_dir()}


def shell_blocks(text):
    return re.findall(r"^```sh\n(.*?)^```$", text, flags=re.S | re.M)


def as_run_here(script):
    """The guide's commands for this run's build trees: CTest's trees, and
    on a machine whose Wine runs only 64-bit programs the win64 build, as
    the guide tells its readers."""
    for written, tree in DEFAULT_TREES.items():
        if tree.resolve() != (harness.SOURCE_DIR / written).resolve():
            script = script.replace(written, f"{tree}/")
    return script


class AuthoringGuideTest(unittest.TestCase):
    def test_every_command_of_the_guide_runs(self):
        blocks = shell_blocks(GUIDE.read_text())
        commands = [line for block in blocks for line in block.splitlines() if line.strip()]
        for wanted in ("make build", "sample_files.py", "saverpack build", "saverpack list",
                       "saverpack data build", "saverpack data list", "make try"):
            self.assertTrue(any(wanted in c for c in commands), f"the guide shows {wanted}")
        home = harness.WORK_ROOT / "test_authoring_guide"
        shutil.rmtree(home, ignore_errors=True)
        home.mkdir(parents=True)
        script = "set -euo pipefail\n" + as_run_here("\n".join(blocks))
        result = subprocess.run(["bash", "-c", script], cwd=harness.SOURCE_DIR,
                                env=dict(os.environ, HOME=str(home)), stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=1500)
        sys.stderr.write(result.stdout[-6000:] + result.stderr[-6000:])
        self.assertEqual(result.returncode, 0, result.stderr[-2000:])
        aqua = home / "aqua"
        self.assertIn("title: Aqua Reef", result.stdout)
        self.assertIn('try: OK: "Aqua Reef" installed and uninstalled', result.stdout)
        self.assertIn('try: OK: "Quiet Sea" installed and uninstalled', result.stdout)
        for report in ("try/report.md", "try/report.html", "try-no-flash/report.md"):
            self.assertTrue((aqua / report).is_file(), report)
        self.assertIn("without the Flash control (NO_FLASH)",
                      (aqua / "try-no-flash" / "report.md").read_text())

    def test_the_readme_links_the_guide_at_its_top(self):
        top = (harness.SOURCE_DIR / "README.md").read_text().split("\n## ", 1)[0]
        self.assertIn("](docs/authoring.md)", top)


if __name__ == "__main__":
    unittest.main()

"""The Win32 platform layer under Wine: runs win32_platform_selftest.exe, the
console program that exercises every os::Win32Platform operation in a scratch
folder, in a fresh prefix and checks that all of its checks passed and that
it cleaned up after itself.

Run: python3 tests/e2e/test_platform.py, or through CTest as e2e_test_platform
(exit 77, skipped, when the program is not built).
"""

import re
import shutil
import sys
import unittest

import harness

SELFTEST = "win32_platform_selftest.exe"
if not harness.artifact(SELFTEST).is_file():
    print(f"SKIP: build artifact missing: {harness.artifact(SELFTEST)}", file=sys.stderr)
    sys.exit(harness.SKIP_RETURN_CODE)

# The program checks well over a hundred things; far fewer means it stopped early.
MIN_CHECKS = 100
SUMMARY = re.compile(r"^(\d+) checks, (\d+) failed$", re.MULTILINE)


class Win32PlatformSelfTest(unittest.TestCase):

    def setUp(self):
        self.work = harness.WORK_ROOT / self.id().split(".", 1)[1]
        shutil.rmtree(self.work, ignore_errors=True)
        self.prefix = harness.WinePrefix(self.work)
        self.addCleanup(self.prefix.close)

    def run_selftest(self, program):
        process = self.prefix.run(program, timeout=180)
        output = process.stdout()
        failures = [line for line in output.splitlines() if line.startswith("[FAIL]")]
        summary = SUMMARY.search(output)
        self.assertIsNotNone(summary, f"no summary line; output:\n{output[-2000:]}")
        checks, failed = int(summary.group(1)), int(summary.group(2))
        self.assertEqual([], failures, f"{failed} of {checks} checks failed")
        self.assertEqual(0, failed)
        self.assertGreaterEqual(checks, MIN_CHECKS)
        self.assertEqual(0, process.popen.returncode, "exit code of a clean run")
        return output

    def leftover_scratch_folders(self):
        users = self.prefix.drive_c / "users"
        return [p for p in users.rglob("*") if p.name.lower().startswith("w32p_selftest_")]

    def test_every_check_passes_from_the_build_tree(self):
        output = self.run_selftest(harness.artifact(SELFTEST))
        self.assertIn("-- shell", output, "the last group ran")
        self.assertEqual([], self.leftover_scratch_folders(), "scratch folder removed")

    def test_every_check_passes_from_a_folder_with_spaces_on_drive_c(self):
        # The installer runs from wherever the user saved it; its own path,
        # and the program it starts through the shell, may contain spaces.
        target = self.prefix.drive_c / "Program Files" / "platform test" / SELFTEST
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(harness.artifact(SELFTEST), target)
        output = self.run_selftest(target)
        self.assertIn(r'ModulePath names this program: "C:\Program Files\platform test'
                      + "\\" + SELFTEST, output)
        self.assertEqual([], self.leftover_scratch_folders(), "scratch folder removed")


if __name__ == "__main__":
    unittest.main()

"""The Flash runtime check at start-up: a current control, a control that the
packaged runtime installer flashax.exe installs during start-up, an old
control that it replaces, and no control possible (-402). Prints the time
from start to the shown window (or to the -402 box) for the README."""

import sys
import time
import unittest

import harness
from test_flash import FlashTestCase, preview_movie

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe", harness.FLASH_CONTROL_DLL,
                      harness.FLASH_INSTALLER_EXE)

CORRUPTED_402 = "Installer file is corrupted. Error -402. "


class RuntimeTestCase(FlashTestCase):
    """A kind-2 package, with or without the runtime installer in slot 2."""

    def start_package(self, with_installer=True):
        extra = {"slot2": harness.artifact(harness.FLASH_INSTALLER_EXE)} if with_installer else {}
        self.trace = self.work / "trace.txt"
        self.prefix.extra_env["SAVER_FLASH_TRACE"] = self.prefix.windows_path(self.trace)
        files = dict(harness.support_files(), **{"preview.swf": preview_movie()})
        manifest = harness.standard_manifest(preview_kind=2, preview="preview.swf", extra=extra)
        package = self.package(manifest, files)
        # The first program of a fresh prefix starts Wine's server and
        # services (about 5 s here); the times compare the installer alone.
        self.prefix.run("reg", "query", r"HKCU\Software\Wine", timeout=60)
        self.started = time.monotonic()
        self.start_installer(package)

    def wait_window(self):
        info = self.prefix.driver("window-info", timeout_ms=120000)
        self.report("window shown", time.monotonic() - self.started)
        return info

    def report(self, what, seconds):
        print(f"\n[start-up] {type(self).__name__}: {what} after {seconds:.1f} s", file=sys.stderr)

    def runtime_installer_written(self):
        return (self.prefix.windows_dir / "flashax.exe").is_file()

    def assert_movie_plays(self):
        harness.wait_until(lambda: "Play" in self.trace_lines(), timeout=15)
        self.assertIn("Play", self.trace_lines())


class CurrentControlTest(RuntimeTestCase):
    """The template's control answers 6.0: flashax.exe is neither written nor
    started, and the movie plays."""

    def test_current_control_needs_no_runtime_installer(self):
        self.start_package()
        self.wait_window()
        self.assert_movie_plays()
        self.assertFalse(self.runtime_installer_written())
        versions = [line for line in self.trace_lines() if line.startswith("FlashVersion")]
        self.assertEqual(len(versions), 3, self.trace_lines())
        self.close_and_wait()


class InstalledDuringStartUpTest(RuntimeTestCase):
    """No control in the prefix: the installer writes flashax.exe to the
    Windows folder and starts it with /Q; the availability check then finds
    the control that it registered, and the movie plays."""

    flash_control = False

    def test_runtime_installer_installs_the_control(self):
        self.assertIsNone(harness.registered_flash_server(self.prefix))
        self.start_package()
        self.wait_window()
        self.assertTrue(self.runtime_installer_written())
        self.assert_movie_plays()
        self.assertEqual(harness.registered_flash_server(self.prefix).lower(),
                         (harness.FLASH_CONTROL_FOLDER + r"\flashctl.dll").lower())
        self.close_and_wait()


class NoControlPossibleTest(RuntimeTestCase):
    """No control and no runtime installer in the package: 1000 and then
    10000 failed creations end with the -402 box, and the program ends."""

    flash_control = False

    def test_package_without_runtime_installer_ends_with_402(self):
        self.start_package(with_installer=False)
        box = self.prefix.driver("wait-box", caption="Error", timeout_ms=300000)
        self.report("-402 box", time.monotonic() - self.started)
        self.assertEqual(box["text"], CORRUPTED_402)
        self.assertFalse(self.runtime_installer_written())
        self.assertTrue(self.prefix.driver("press-box", caption="Error")["dismissed"])
        self.assert_installer_exits()


class OldControlTest(RuntimeTestCase):
    """A control that answers 5.0 makes the installer run flashax.exe, which
    replaces it by the current one."""

    flash_control = False

    def setUp(self):
        super().setUp()
        harness.register_flash_control(self.prefix, harness.OLD_FLASH_CONTROL_DLL, r"C:\old flash")

    def test_old_control_is_replaced(self):
        self.start_package()
        self.wait_window()
        self.assertTrue(self.runtime_installer_written())
        self.assert_movie_plays()
        versions = [line for line in self.trace_lines() if line.startswith("FlashVersion")]
        self.assertEqual(versions[0], "FlashVersion=0x50000", self.trace_lines())
        # The runtime installer runs beside the installer, which does not
        # wait for it: the old control may still serve this run's movie.
        new_control = (harness.FLASH_CONTROL_FOLDER + r"\flashctl.dll").lower()
        replaced = harness.wait_until(
            lambda: (harness.registered_flash_server(self.prefix) or "").lower() == new_control,
            timeout=30, interval=1)
        self.assertTrue(replaced, harness.registered_flash_server(self.prefix))
        self.close_and_wait()


if __name__ == "__main__":
    unittest.main()

"""The install sequence under Wine: a complete package installs and
registers its screensaver (files, system.ini, HKLM uninstall entry,
saver.dat), the window refuses to close or install twice meanwhile, a
failing install rolls back, a silent package installs without a window."""

import time
import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

TITLE = "Blue Sea"
ENGINE = rf"C:\windows\{TITLE}.scr"
UNINSTALL_KEY = rf"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{TITLE}"
FAILURE_STATUS = "Open the Display Control Panel  and select saver to complete installation."
HEADER_SIZE = 1240


class InstallTestCase(harness.InstallerTestCase):
    files = None

    def make_installer(self, readme=False, display=False, preview_kind=1, data=None):
        self.files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes(),
                                                      "ReadMe.txt": "Read me first.\r\n"})
        if data is not None:
            self.files["data.ssd"] = data
        manifest = harness.standard_manifest(
            title=TITLE, preview_kind=preview_kind, readme=readme,
            extra={"open_display_properties": int(display)})
        return self.package(manifest, self.files)

    def saver_folder(self):
        return self.prefix.windows_dir / f"{TITLE} dir"

    def press_install(self):
        self.prefix.driver("window-info")
        self.prefix.driver("click", text="Installa")

    def system_ini_screensaver(self):
        return self.prefix.ini_value(self.prefix.windows_dir / "system.ini", "boot",
                                     "SCRNSAVE.EXE")


class CompleteInstallTest(InstallTestCase):

    def test_complete_package_installs_and_registers(self):
        self.start_installer(self.make_installer())
        self.press_install()
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)
        engine = self.prefix.host_path(ENGINE)
        self.assertEqual(engine.read_bytes(), self.files["engine.scr"])
        short = self.prefix.driver("short-path", path=ENGINE)["short"]
        self.assertNotEqual(short.lower(), ENGINE.lower(), "a title with a blank has a short form")
        self.assertEqual(self.system_ini_screensaver(), short)
        self.assertEqual(self.prefix.registry_values(UNINSTALL_KEY), {
            "DisplayName": f"{TITLE} Screen Saver",
            "UninstallString": rf'"C:\windows\{TITLE}.scr" /u',
        })
        folder = self.saver_folder()
        self.assertEqual((folder / "saver.dat").read_bytes(), self.files["data.ssd"][:HEADER_SIZE])
        self.assertFalse((folder / "saver.ini").exists(), "saver.ini is temporary")
        self.assertFalse((folder / "data.ssd").exists(), "the data file is temporary")
        self.assertTrue((folder / "saver1.dll").is_file())

    def test_close_and_second_click_are_refused_during_the_sequence(self):
        self.start_installer(self.make_installer())
        self.press_install()
        # The sequence pauses a second per progress step: ask while it runs.
        time.sleep(1.5)
        self.prefix.driver("close", how="syscommand")
        self.prefix.driver("click", text="Installa", timeout_ms=2000, check=False)
        time.sleep(0.5)
        self.assertTrue(self.installer.running(), "closing is refused while installing")
        self.prefix.driver("window-info")
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)
        self.assertIsNotNone(self.prefix.registry_values(UNINSTALL_KEY))

    def test_read_me_is_opened_by_the_shell(self):
        self.start_installer(self.make_installer(readme=True))
        self.press_install()
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)
        found = harness.wait_until(lambda: [
            w for w in self.prefix.driver("list")["windows"]
            if "readme" in w["caption"].lower() and w["visible"]], 30)
        self.assertTrue(found, "the shell shows ReadMe.txt in a window of its own")

    def test_display_properties_is_cancelled_when_the_install_starts(self):
        panel = self.prefix.driver_background("fake-window", title="Display Properties",
                                              seconds=60)
        self.assertTrue(harness.wait_until(
            lambda: any(l.get("event") == "shown" for l in panel.lines()), 30))
        self.start_installer(self.make_installer())
        self.press_install()
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)
        self.assertTrue(harness.wait_until(
            lambda: [l for l in panel.lines() if l.get("event") == "closed"], 10))
        closed = [l for l in panel.lines() if l.get("event") == "closed"][0]
        self.assertEqual(closed["by"], "cancel")


class DisplayPropertiesTest(InstallTestCase):
    """With the Display control panel stand-in in the prefix, an install that
    asks for it leaves "Display Properties" open after the installer ended,
    and a second install's start cancels it."""

    def test_panel_stays_open_and_a_second_run_cancels_it(self):
        harness.install_display_panel(self.prefix)
        self.start_installer(self.make_installer(display=True))
        self.press_install()
        self.assertEqual(self.assert_installer_exits(timeout=90), 0)
        dialog = {"class": "#32770", "title": "Display Properties"}
        self.assertTrue(self.prefix.driver("find-window", timeout_ms=30000, **dialog)["ok"])
        self.start_installer(self.make_installer(display=False))
        self.press_install()
        self.prefix.driver("wait-gone", timeout_ms=30000, **dialog)
        self.assertEqual(self.assert_installer_exits(timeout=90), 0)


class FailedInstallTest(InstallTestCase):
    """A data file shorter than its header fails after the engine is placed:
    the box names the data file, the window keeps a failure status with
    Install and Decline disabled, the engine this run placed is gone, and an
    uninstall entry of that name that was there before is as it was."""

    def disabled_install_controls(self):
        controls = self.prefix.driver("window-info")["controls"]
        install = [c for c in controls if c["text"] == "Installa"]
        return controls if install and not install[0]["enabled"] else None

    def test_short_data_file_rolls_back(self):
        self.prefix.run("reg", "add", UNINSTALL_KEY, "/v", "DisplayName", "/d", "earlier", "/f")
        self.start_installer(self.make_installer(data=b"short data file"))
        self.press_install()
        box = self.prefix.driver("wait-box", caption="Error", timeout_ms=60000)
        self.assertIn(rf"Problem with file C:\windows\{TITLE} dir\{TITLE}.ssd. ", box["text"])
        self.prefix.driver("press-box", caption="Error")
        status = harness.wait_until(lambda: [
            c for c in self.prefix.driver("window-info")["controls"]
            if c["text"] == FAILURE_STATUS], 30)
        self.assertTrue(status, "the failure status is shown")
        # Install is disabled after the two closing pauses.
        controls = harness.wait_until(lambda: self.disabled_install_controls(), 30)
        self.assertTrue(controls, "Install is disabled after a failure")
        for text in ("Installa", "&Decline"):
            button = [c for c in controls if c["text"] == text]
            self.assertEqual(len(button), 1)
            self.assertFalse(button[0]["enabled"], f"{text} is disabled after a failure")
        self.assertFalse(self.prefix.host_path(ENGINE).exists(), "the engine is removed")
        self.assertEqual(self.prefix.registry_values(UNINSTALL_KEY), {"DisplayName": "earlier"})
        self.assertIsNone(self.system_ini_screensaver())
        self.prefix.driver("close", how="syscommand")
        self.assert_installer_exits()


class SilentInstallTest(InstallTestCase):

    def test_silent_package_installs_without_a_window(self):
        self.start_installer(self.make_installer(preview_kind=4))
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)
        windows = self.prefix.driver("list")["windows"]
        self.assertFalse([w for w in windows if w["class"] == "TInstallerForm" and w["visible"]])
        self.assertTrue(self.prefix.host_path(ENGINE).is_file())
        self.assertIsNotNone(self.system_ini_screensaver())
        self.assertEqual(self.prefix.registry_values(UNINSTALL_KEY)["DisplayName"],
                         f"{TITLE} Screen Saver")


if __name__ == "__main__":
    unittest.main()

"""The Display control panel stand-in (desk.cpl) under Wine: opened with the
installer's own command line, it shows "Display Properties", previews the
screen saver that system.ini names, and its Cancel button (id 2) closes it
and ends the preview."""

import json
import shutil
import unittest

import harness

harness.require_build("desk.cpl", "saverdrv.exe", saverpack=False)

DIALOG = {"class": "#32770", "title": harness.DISPLAY_PROPERTIES}
PREVIEW_AREA_ID = 202
SAVER_NAME_ID = 201


class DisplayPanelTest(harness.InstallerTestCase):
    def setUp(self):
        super().setUp()
        harness.install_display_panel(self.prefix)

    def fake_saver(self):
        """saverdrv.exe as the current screen saver (it logs its preview)."""
        shutil.copyfile(harness.artifact("saverdrv.exe"), self.prefix.windows_dir / "fake.scr")
        harness.set_ini_value(harness.system_ini(self.prefix), "boot", "SCRNSAVE.EXE",
                              r"C:\windows\fake.scr")
        return self.prefix.windows_dir / "fake-saver.log"

    @staticmethod
    def log_events(log):
        if not log.is_file():
            return []
        return [json.loads(line) for line in log.read_text().splitlines() if line]

    def controls(self):
        return self.prefix.driver("window-info", **DIALOG)["controls"]

    def control(self, controls, control_id):
        found = [c for c in controls if c["id"] == control_id]
        self.assertEqual(len(found), 1, f"control {control_id} in {controls}")
        return found[0]

    def test_cancel_closes_the_dialog_and_the_command_ends(self):
        panel = harness.open_display_panel(self.prefix)
        controls = self.controls()
        cancel = self.control(controls, 2)
        self.assertEqual((cancel["class"], cancel["text"]), ("Button", "Cancel"))
        self.assertEqual(self.control(controls, SAVER_NAME_ID)["text"], "(None)")
        self.shot("display-properties")
        self.prefix.driver("click", id=2, **DIALOG)
        self.prefix.driver("wait-gone", **DIALOG)
        self.assertEqual(panel.wait(30), 0, "rundll32 must end once the dialog is closed")

    def test_previews_the_current_screen_saver_until_cancelled(self):
        log = self.fake_saver()
        panel = harness.open_display_panel(self.prefix)
        self.assertTrue(harness.wait_until(lambda: self.log_events(log), 30), "no preview started")
        started = self.log_events(log)[0]
        self.assertEqual((started["event"], started["ok"]), ("preview", True))
        controls = self.controls()
        self.assertEqual(self.control(controls, SAVER_NAME_ID)["text"], r"C:\windows\fake.scr")
        saver_windows = [c for c in controls if c["class"] == "SaverDrvFakeSaver"]
        self.assertEqual(len(saver_windows), 1, controls)
        self.assertEqual(saver_windows[0]["parent_id"], PREVIEW_AREA_ID,
                         "the screen saver draws inside the preview area")
        self.assertTrue(saver_windows[0]["visible"])

        self.prefix.driver("click", id=2, **DIALOG)
        self.prefix.driver("wait-gone", **DIALOG)
        ended = self.log_events(log)
        self.assertEqual(len(ended), 2, "the preview must have ended before the dialog went away")
        self.assertIn(ended[1]["by"], ("parent gone", "destroyed"))
        self.assertEqual(panel.wait(30), 0)

    def test_a_missing_screen_saver_still_opens_the_dialog(self):
        harness.set_ini_value(harness.system_ini(self.prefix), "boot", "SCRNSAVE.EXE",
                              r"C:\windows\MISSING.SCR")
        panel = harness.open_display_panel(self.prefix)
        controls = self.controls()
        self.assertEqual(self.control(controls, SAVER_NAME_ID)["text"], r"C:\windows\MISSING.SCR")
        self.prefix.driver("click", id=1, **DIALOG)
        self.prefix.driver("wait-gone", **DIALOG)
        self.assertEqual(panel.wait(30), 0)


if __name__ == "__main__":
    unittest.main()

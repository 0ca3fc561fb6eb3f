"""The test driver itself, against its own stand-in window: the other
end-to-end tests trust what it finds, clicks and holds."""

import unittest

import harness

harness.require_build("saverdrv.exe", saverpack=False)

FAKE_CLASS = "SaverDrvFakeWindow"


class DriverTest(harness.InstallerTestCase):
    def start_fake(self, title="Display Properties"):
        fake = self.prefix.driver_background("fake-window", title=title, seconds=60)
        found = self.prefix.driver("find-window", **{"class": FAKE_CLASS})
        self.assertEqual(found["caption"], title)
        return fake

    def assert_closed_by(self, fake, how):
        self.assertEqual(fake.wait(30), 0)
        self.assertEqual(fake.lines()[-1], {"cmd": "fake-window", "ok": True,
                                            "event": "closed", "by": how})

    def test_window_info_reports_controls_in_client_coordinates(self):
        self.start_fake()
        info = self.prefix.driver("window-info", **{"class": FAKE_CLASS})
        self.assertFalse(info["topmost"])
        cancel = [c for c in info["controls"] if c["id"] == 2]
        self.assertEqual(len(cancel), 1)
        self.assertEqual(cancel[0]["text"], "Cancel")
        self.assertEqual(cancel[0]["rect"], {"x": 200, "y": 50, "w": 75, "h": 23})

    def test_click_by_text_presses_the_button(self):
        fake = self.start_fake()
        self.prefix.driver("click", text="Cancel", **{"class": FAKE_CLASS})
        self.assert_closed_by(fake, "cancel")
        self.prefix.driver("wait-gone", **{"class": FAKE_CLASS})

    def test_close_posts_wm_close(self):
        fake = self.start_fake()
        self.prefix.driver("close", **{"class": FAKE_CLASS})
        self.assert_closed_by(fake, "close")

    def test_close_through_the_system_menu_command(self):
        fake = self.start_fake()
        self.prefix.driver("close", how="syscommand", **{"class": FAKE_CLASS})
        self.assert_closed_by(fake, "close")

    def test_title_filter_and_timeouts(self):
        self.start_fake(title="Something Else")
        missing = self.prefix.driver("find-window", timeout_ms=300, check=False,
                                     title="Display Properties", **{"class": FAKE_CLASS})
        self.assertEqual(missing, {"cmd": "find-window", "ok": False, "error": "timeout"})
        no_box = self.prefix.driver("wait-box", timeout_ms=300, check=False)
        self.assertFalse(no_box["ok"])

    def test_hold_file_denies_sharing(self):
        (self.prefix.drive_c / "busy.txt").write_text("busy")
        holder = self.prefix.driver_background("hold-file", path=r"C:\busy.txt", seconds=20)
        self.assertTrue(harness.wait_until(lambda: holder.lines(), 30), "never held")
        second = self.prefix.driver("hold-file", check=False, path=r"C:\busy.txt", seconds=0)
        self.assertFalse(second["ok"])
        self.assertEqual(second["code"], 32, "a second opener must get a sharing violation")


if __name__ == "__main__":
    unittest.main()

"""The installer window used from the keyboard alone: real key presses on
the virtual display (SendInput through the test driver), then the control
that has the focus.

Tab order: the licence memo, the preview area, the button strip with
"&Decline" before the Install button; Shift+Tab goes backwards and Ctrl+Tab
moves like Tab."""

import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

LICENCE = "Licence line one.\r\nLicence line two.\r\n"
MEMO = {"ctl_class": "Edit"}
DECLINE = {"text": "&Decline"}
ACCEPT = {"text": "Accept and Install"}


class LicenceKeyboardTest(harness.InstallerTestCase):
    """With the licence shown the focus starts in the memo."""

    def setUp(self):
        super().setUp()
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes(),
                                                 "License.txt": LICENCE})
        manifest = harness.standard_manifest(preview_kind=1, licence=True)
        self.start_installer(self.package(manifest, files))
        self.prefix.driver("find-window")

    def tearDown(self):
        if self.installer.running():
            self.prefix.driver("close")
        self.assert_installer_exits()

    def focus_is(self, control):
        focus = self.prefix.driver("focus", check=False, timeout_ms=5000, **control)
        self.assertTrue(focus["ok"], f"focus expected on {control}, found {focus.get('focus')}")

    def press(self, key, then):
        self.prefix.driver("key", key=key)
        self.focus_is(then)

    def test_tab_walks_memo_decline_install_and_round(self):
        self.focus_is(MEMO)
        self.press("tab", DECLINE)
        self.press("tab", ACCEPT)
        self.press("tab", MEMO)

    def test_shift_tab_walks_backwards(self):
        self.focus_is(MEMO)
        self.press("shift+tab", ACCEPT)
        self.press("shift+tab", DECLINE)
        self.press("shift+tab", MEMO)

    def test_ctrl_tab_leaves_the_memo(self):
        self.focus_is(MEMO)
        self.press("ctrl+tab", DECLINE)

    def test_install_from_the_keyboard(self):
        self.focus_is(MEMO)
        self.press("shift+tab", ACCEPT)
        self.prefix.driver("key", key="space")
        self.assert_installer_exits(timeout=90)
        self.assertTrue((self.prefix.windows_dir / "Aqua dir" / "saver1.dll").is_file())

    def test_alt_d_still_declines(self):
        self.focus_is(MEMO)
        self.prefix.driver("key", key="alt+d")
        self.assert_installer_exits()
        self.assertFalse((self.prefix.windows_dir / "Aqua dir" / "saver1.dll").exists())


class NoLicenceKeyboardTest(harness.InstallerTestCase):
    """Without a licence the Install button is the only control to focus."""

    def test_tab_keeps_the_focus_on_install(self):
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes()})
        self.start_installer(self.package(harness.standard_manifest(preview_kind=1), files))
        self.prefix.driver("find-window")
        install = {"text": "Installa"}
        for key in ("tab", "shift+tab", "tab"):
            self.prefix.driver("key", key=key)
            focus = self.prefix.driver("focus", check=False, timeout_ms=3000, **install)
            self.assertTrue(focus["ok"], focus)
        self.prefix.driver("close")
        self.assert_installer_exits()


if __name__ == "__main__":
    unittest.main()

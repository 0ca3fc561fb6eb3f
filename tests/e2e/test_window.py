"""The installer window of a valid package."""

import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")


class NoPreviewWindowTest(harness.InstallerTestCase):
    """preview_kind 0: the window opens without a preview and without a caption."""

    def setUp(self):
        super().setUp()
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes()})
        self.start_installer(self.package(harness.standard_manifest(preview_kind=0), files))
        self.window = self.prefix.driver("window-info")

    def test_window_opens_with_an_empty_caption(self):
        self.assertTrue(self.window["visible"])
        self.assertEqual(self.window["caption"], "")
        self.assertTrue(self.window["topmost"], "the installer window must be topmost")
        boxes = [w for w in self.prefix.driver("list")["windows"] if w["class"] == "#32770"]
        self.assertEqual(boxes, [], "no message box is expected for a valid package")
        self.shot("no-preview-window")

    def test_no_licence_mode_hides_decline(self):
        controls = self.window["controls"]
        install = [c for c in controls if c["text"] == "Installa"]
        self.assertEqual(len(install), 1, controls)
        self.assertTrue(install[0]["visible"])
        decline = [c for c in controls if c["text"] == "&Decline"]
        self.assertTrue(all(not c["visible"] for c in decline), decline)

    def tearDown(self):
        self.prefix.driver("close")
        self.assert_installer_exits()


if __name__ == "__main__":
    unittest.main()

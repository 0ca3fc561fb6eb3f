"""Leaving the installer before installing: Decline and the close button."""

import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

LICENCE = "Licence line one.\r\nLicence line two.\r\n"


class CloseBeforeInstallTest(harness.InstallerTestCase):
    """Both ways end the program and delete the working copy only: the saver
    folder and the decompression library in the Windows folder stay."""

    def setUp(self):
        super().setUp()
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes(),
                                                 "License.txt": LICENCE})
        manifest = harness.standard_manifest(title="Aqua", preview_kind=1, licence=True)
        self.start_installer(self.package(manifest, files))
        self.window = self.prefix.driver("window-info")
        self.working_copy = self.working_copy()
        self.assertTrue(self.working_copy.is_file(), "the working copy must exist while open")

    def assert_left_behind(self):
        self.assert_installer_exits()
        self.assertFalse(self.working_copy.exists(), "the working copy must be deleted")
        saver_folder = self.prefix.windows_dir / "Aqua dir"
        self.assertTrue(saver_folder.is_dir(), "the saver folder stays")
        self.assertTrue((saver_folder / "License.txt").is_file(), "the extracted licence stays")
        self.assertTrue(self.prefix.host_path(r"C:\windows\impborl.dll").is_file(),
                        "the decompression library stays")
        self.assertTrue(self.working_copy.parent.is_dir(), "the scratch folder stays")
        self.assertFalse((saver_folder / "Aqua.scr").exists(), "nothing is installed")
        self.assertFalse((self.prefix.windows_dir / "Aqua.scr").exists(), "nothing is installed")

    def test_decline_button(self):
        decline = [c for c in self.window["controls"] if c["text"] == "&Decline"]
        self.assertEqual(len(decline), 1)
        self.assertTrue(decline[0]["visible"], "Decline is shown with a licence")
        self.prefix.driver("click", text="&Decline")
        self.assert_left_behind()

    def test_close_button(self):
        self.prefix.driver("close", how="syscommand")
        self.assert_left_behind()


if __name__ == "__main__":
    unittest.main()

"""An installer file too short to hold the package header and table."""

import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

WORKING_COPY = r"C:\windows\TEMP\LMX temp\temp1.dat"
READ_ERROR_TEXT = f"Installation Error: \r\n\r\nProblem with file {WORKING_COPY}. "
CORRUPTED_TEXT = "Installer file is corrupted. Error -31. "


class ShortPackageTest(harness.InstallerTestCase):
    """ReadPackageTable reports -31 with the working copy's path, then the
    preparation's final box names the code; the program ends after it."""

    def full_package(self):
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes()})
        return self.package(harness.standard_manifest(), files)

    def assert_two_boxes_then_exit(self, keys=(None, None)):
        """Dismisses the boxes with the Abort button, or with the keys given."""
        first = self.prefix.driver("wait-box")
        self.assertEqual(first["caption"], "Error")
        self.assertTrue(first["topmost"], "every box of the program is topmost")
        self.assertEqual(first["text"], READ_ERROR_TEXT)
        self.assertEqual([b["text"] for b in first["buttons"] if b["visible"]], ["&Abort"])
        self.press(keys[0])

        second = self.prefix.driver("wait-box", caption="Error")
        self.assertEqual(second["text"], CORRUPTED_TEXT)
        self.assertNotEqual(second["hwnd"], first["hwnd"])
        self.assertTrue(self.installer.running(), "the program ended before its box was dismissed")
        self.press(keys[1])
        self.assert_installer_exits()

    def press(self, key):
        options = {"caption": "Error"}
        if key:
            options["key"] = key
        self.assertTrue(self.prefix.driver("press-box", **options)["dismissed"])

    def test_one_byte_short_of_the_table(self):
        installer = self.full_package()
        data = installer.read_bytes()
        self.assertGreater(len(data), harness.TABLE_END)
        installer.write_bytes(data[:harness.TABLE_END - 1])
        self.start_installer(installer)
        self.assert_two_boxes_then_exit()

    def test_enter_and_escape_dismiss_the_boxes(self):
        installer = self.full_package()
        installer.write_bytes(installer.read_bytes()[:harness.TABLE_END - 1])
        self.start_installer(installer)
        self.assert_two_boxes_then_exit(keys=("enter", "escape"))

    def test_bare_program_image_without_package(self):
        stub = harness.artifact("install.exe")
        self.assertLess(stub.stat().st_size, harness.PACKAGE_OFFSET)
        self.start_installer(stub)
        self.assert_two_boxes_then_exit()


if __name__ == "__main__":
    unittest.main()

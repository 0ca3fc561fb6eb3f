"""Hostile and careless packages under Wine: an expansion bomb, slot 1 of
another type, a download cut short; and an installer started from a folder
named outside the ANSI code page."""

import os
import shutil
import struct
import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

TITLE = "Aqua"
SAVER_FOLDER = rf"C:\windows\{TITLE} dir"
WORKING_COPY = r"C:\windows\TEMP\LMX temp\temp1.dat"
TABLE_START = harness.PACKAGE_OFFSET + 68
ENTRY_SIZE = 280
# The largest single write of the decompression library: its 8192-byte
# window, one longest match (518 bytes) and the match copy's slack.
LARGEST_WRITE = 8192 + 518 + 8


def entry_field(slot, offset):
    """File position of a PackageEntry field: +256 startOffset, +260
    endOffset, +264 entryType, +276 extractedSize (little-endian i32)."""
    return TABLE_START + slot * ENTRY_SIZE + offset


def read_i32(data, position):
    return struct.unpack_from("<i", data, position)[0]


def write_i32(data, position, value):
    struct.pack_into("<i", data, position, value)


def package_files():
    return dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes()})


def files_under(folder):
    """Relative paths (lower case, '/' separated) of every file under `folder`."""
    found = set()
    for root, _dirs, names in os.walk(folder):
        for name in names:
            found.add(os.path.relpath(os.path.join(root, name), folder).lower())
    return found


class HostilePackageTest(harness.InstallerTestCase):

    def patched_package(self, patch, files=None, manifest=None):
        installer = self.package(manifest or harness.standard_manifest(title=TITLE),
                                 files or package_files())
        data = bytearray(installer.read_bytes())
        patch(data)
        installer.write_bytes(harness.mark_package(data))
        return installer

    def expect_box(self, text=None, contains=None):
        box = self.prefix.driver("wait-box", caption="Error", timeout_ms=60000)
        if text is not None:
            self.assertEqual(box["text"], text)
        if contains is not None:
            self.assertIn(contains, box["text"])
        self.prefix.driver("press-box", caption="Error")
        return box

    def test_bomb_entry_leaves_at_most_its_size_and_one_write(self):
        claimed = 1000
        files = dict(package_files(), **{"saver1.dll": bytes(24 << 20)})

        def claim_small_size(data):
            write_i32(data, entry_field(9, 276), claimed)

        installer = self.patched_package(claim_small_size, files)
        self.assertLess(installer.stat().st_size, 1 << 20, "the bomb must be small")
        self.start_installer(installer)
        self.prefix.driver("click", text="Installa")
        destination = rf"{SAVER_FOLDER}\saver1.dll"
        # While its box is up the bomb's output is still there; the failed
        # install's rollback then removes it.
        box = self.prefix.driver("wait-box", caption="Error", timeout_ms=60000)
        self.assertEqual(box["text"], f"Installation Error: \r\n\r\nProblem with file {destination}. ")
        size = self.prefix.host_path(destination).stat().st_size
        self.prefix.driver("press-box", caption="Error")
        self.assertGreater(size, claimed)
        self.assertLessEqual(size, claimed + LARGEST_WRITE)
        # The failed install ends with Install disabled; the window then closes.
        self.assertTrue(harness.wait_until(self.install_disabled, timeout=30))
        self.assertFalse((self.prefix.windows_dir / f"{TITLE} dir" / "saver1.dll").exists())
        self.prefix.driver("close")
        self.assert_installer_exits()

    def install_disabled(self):
        controls = self.prefix.driver("window-info")["controls"]
        return [c["enabled"] for c in controls if c["text"] == "Installa"] == [False]

    def test_slot_one_of_another_type_writes_nothing_anywhere(self):
        def make_slot_one_type_five(data):
            write_i32(data, entry_field(1, 264), 5)

        self.start_installer(self.patched_package(make_slot_one_type_five))
        setup_before = files_under(self.prefix.drive_c / "setup")
        box = self.expect_box(contains="damaged or unsafe")
        self.assertTrue(box["text"].endswith("File: impborl.dat"), box["text"])
        self.expect_box(text="Installer file is corrupted. Error -40. ")
        self.assert_installer_exits()
        self.assertEqual(files_under(self.prefix.drive_c / "setup"), setup_before)
        stray = [p for p in files_under(self.prefix.path) | files_under(self.work)
                 if os.path.basename(p).startswith("impborl.")]
        self.assertEqual(stray, [])

    def test_download_cut_in_slot_nine_ends_at_start_up(self):
        windows_before = files_under(self.prefix.windows_dir)

        def cut(data):
            start = read_i32(data, entry_field(9, 256))
            end = read_i32(data, entry_field(9, 260))
            del data[start + (end - start + 1) // 2:]

        self.start_installer(self.patched_package(cut))
        self.expect_box(text=f"Installation Error: \r\n\r\nProblem with file {WORKING_COPY}. ")
        self.expect_box(text="Installer file is corrupted. Error -30. ")
        self.assert_installer_exits()
        new = files_under(self.prefix.windows_dir) - windows_before
        self.assertEqual(new, set(), "nothing may be written to the Windows folder")
        self.assertFalse((self.prefix.windows_dir / f"{TITLE} dir").exists())


class NonAnsiFolderTest(harness.InstallerTestCase):
    """An installer started from a folder named in Cyrillic installs."""

    def test_installer_in_a_cyrillic_folder_installs(self):
        installer = self.package(harness.standard_manifest(title=TITLE), package_files())
        target = self.prefix.drive_c / "setup" / "Загрузки" / "install.exe"
        target.parent.mkdir(parents=True)
        shutil.copyfile(installer, target)
        self.installer = self.prefix.start(target, name="install")
        self.prefix.driver("click", text="Installa", timeout_ms=60000)
        self.assert_installer_exits(timeout=90)
        boxes = [w for w in self.prefix.driver("list")["windows"] if w["class"] == "#32770"]
        self.assertEqual(boxes, [])
        saver_folder = self.prefix.windows_dir / f"{TITLE} dir"
        self.assertEqual((saver_folder / "saver1.dll").read_bytes(),
                         package_files()["saver1.dll"])
        self.assertTrue((self.prefix.windows_dir / f"{TITLE}.scr").is_file())


if __name__ == "__main__":
    unittest.main()

"""Entries extracted during the preparation: the decompression library, the
licence and the bitmap preview of a complete window; a name that tries to
leave its folder; a destination that another program holds open.

SAVER_E2E_UPDATE_DOCS=1 also copies the complete window's screenshot to
docs/screenshots/window-complete.png (it always stays in the test's work
folder)."""

import os
import re
import shutil
import subprocess
import unittest

import harness
import make_preview  # samples/, on the path through harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

TITLE = "Aqua"
SAVER_FOLDER = rf"C:\windows\{TITLE} dir"
LICENCE = "Licence line one.\r\nLicence line two.\r\n\r\nLast line of the licence.\r\n"
ENTRY_SIZE = 280
TABLE_START = harness.PACKAGE_OFFSET + 68
PREVIEW_SLOT = 3
# The bitmap sits one pixel inside the preview area (the panel's frame).
IMAGE_IN_CLIENT = (1, 1)
PIXEL_TOLERANCE = 12
UNSAFE_TEXT = "damaged or unsafe"
BUSY_TEXT = ("Installation Error:  File is busy and cannot be replaced. Please close any other "
             "application that may be using this file and try again.\n\nFile: ")


def bitmap_manifest(licence):
    """Bitmap preview stored under the conventional name installer.scf."""
    return harness.standard_manifest(title=TITLE, preview_kind=1, licence=licence,
                                     extra={"slot3.name": "installer.scf"})


def package_files():
    return dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes(),
                                            "License.txt": LICENCE})


def set_entry_name(data, slot, name):
    """Rewrites a slot's name field in package bytes.

    PackageEntry layout: byte 0 the name's length n, bytes 1..n the name,
    the rest of the 256-byte field ignored; then six little-endian i32
    (start, end, type, compressed, packed size, extracted size)."""
    encoded = name.encode("latin-1")
    field = TABLE_START + slot * ENTRY_SIZE
    data[field] = len(encoded)
    data[field + 1:field + 1 + len(encoded)] = encoded


def files_list(saver_ini):
    """The values of the [Files] section of saver.ini, in key order."""
    entries = {}
    in_files = False
    for line in saver_ini.read_text(encoding="latin-1").splitlines():
        line = line.strip()
        if line.startswith("["):
            in_files = line.lower() == "[files]"
        elif in_files and "=" in line:
            key, value = line.split("=", 1)
            entries[int(key)] = value
    return [entries[k] for k in sorted(entries)]


def screen_pixels(png):
    """(width, height, rgb bytes) of a screenshot, through ImageMagick's PPM.

    PPM (P6) layout: "P6", width, height, maximum value, each followed by
    whitespace; then width * height RGB triples, rows top to bottom."""
    ppm = subprocess.run(["convert", str(png), "-depth", "8", "ppm:-"], check=True,
                         stdin=subprocess.DEVNULL, capture_output=True, timeout=60).stdout
    fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
    assert fields, "not a binary PPM"
    return int(fields[1]), int(fields[2]), ppm[fields.end():]


def preview_sample_points():
    """Points of the preview bitmap at the middle of its 25-pixel stripes,
    well away from the bubbles' edges, so that a pixel's neighbours have
    nearly its colour."""
    for x in range(12, 350, 25):
        for y in (6, 40, 75, 110, 143):
            near_edge = any(abs(((x - cx) ** 2 + (y - cy) ** 2) ** 0.5 - r) < 5
                            for cx, cy, r in make_preview.BUBBLES)
            if not near_edge:
                yield x, y


def wait_for_line(process, event, timeout):
    return harness.wait_until(
        lambda: any(line.get("event") == event for line in process.lines()), timeout)


class CompleteWindowTest(harness.InstallerTestCase):
    """Bitmap preview, licence and compressed entries: the window opens with
    everything the preparation extracts."""

    def setUp(self):
        super().setUp()
        self.start_installer(self.package(bitmap_manifest(licence=True), package_files()))
        self.window = self.prefix.driver("window-info")
        self.saver_folder = self.prefix.host_path(SAVER_FOLDER)

    def tearDown(self):
        self.prefix.driver("close")
        self.assert_installer_exits()

    def test_licence_in_the_memo_and_bitmap_on_screen(self):
        memo = [c for c in self.window["controls"] if c["class"] == "Edit"]
        self.assertEqual(len(memo), 1)
        self.assertEqual(memo[0]["text"], LICENCE)
        install = [c for c in self.window["controls"] if c["text"] == "Accept and Install"]
        self.assertEqual(len(install), 1)
        # The window may still be painting when it is found: shoot again
        # until the bitmap is on screen or the time is up.
        outcome = {}
        harness.wait_until(lambda: self.bitmap_on_screen(outcome), timeout=10, interval=0.5)
        if os.environ.get("SAVER_E2E_UPDATE_DOCS") == "1":
            docs = harness.SOURCE_DIR / "docs" / "screenshots"
            docs.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(outcome["shot"], docs / "window-complete.png")
        self.assertEqual(outcome["mismatches"], [],
                         f"preview pixels differ on screen ({outcome['shot']})")

    def bitmap_on_screen(self, outcome):
        """Takes a screenshot and compares sample points of the preview
        bitmap with it; records the shot and the mismatches in `outcome`."""
        outcome["shot"] = self.shot("window-complete")
        width, _height, pixels = screen_pixels(outcome["shot"])
        window, client = self.window["window"], self.window["client"]
        border = (window["w"] - client["w"]) // 2
        left = window["x"] + border + IMAGE_IN_CLIENT[0]
        top = window["y"] + window["h"] - client["h"] - border + IMAGE_IN_CLIENT[1]
        points = list(preview_sample_points())
        self.assertGreater(len(points), 40)
        outcome["mismatches"] = []
        for x, y in points:
            at = ((top + y) * width + left + x) * 3
            seen = tuple(pixels[at:at + 3])
            blue, green, red = make_preview.pixel(x, y, 350, 150)
            if any(abs(a - b) > PIXEL_TOLERANCE for a, b in zip(seen, (red, green, blue))):
                outcome["mismatches"].append(((x, y), seen, (red, green, blue)))
        return not outcome["mismatches"]

    def test_library_preview_and_licence_extracted(self):
        library = self.prefix.host_path(r"C:\windows\impborl.dll")
        self.assertEqual(library.read_bytes(), harness.artifact("impborl.dll").read_bytes())
        preview = self.saver_folder / "installer.BMP"
        self.assertEqual(preview.read_bytes(), harness.bitmap_bytes())
        self.assertFalse((self.saver_folder / "installer.scf").exists())
        self.assertEqual((self.saver_folder / "License.txt").read_bytes(), LICENCE.encode())
        listed = files_list(self.saver_folder / "saver.ini")
        # Key 0 names saver.ini itself; then the licence and the preview in
        # the order they were extracted.
        self.assertEqual(listed, [rf"{SAVER_FOLDER}\saver.ini", rf"{SAVER_FOLDER}\License.txt",
                                  rf"{SAVER_FOLDER}\installer.BMP"])
        self.assertFalse(self.prefix.host_path(rf"C:\windows\{TITLE}.scr").exists(),
                         "the engine waits for Install")


class UnsafeNameTest(harness.InstallerTestCase):
    """A preview name that points outside the saver folder is refused: the
    entry's own box, then the preparation's corrupted box, and no file."""

    def run_with_preview_name(self, name, changed_name):
        installer = self.package(bitmap_manifest(licence=False), package_files())
        data = bytearray(installer.read_bytes())
        set_entry_name(data, PREVIEW_SLOT, name)
        installer.write_bytes(harness.mark_package(data))
        self.start_installer(installer)

        first = self.prefix.driver("wait-box")
        self.assertEqual(first["caption"], "Error")
        self.assertIn(UNSAFE_TEXT, first["text"])
        self.assertTrue(first["text"].endswith(rf"File: {SAVER_FOLDER}\{changed_name}"),
                        first["text"])
        self.assertEqual([b["text"] for b in first["buttons"] if b["visible"]], ["&Abort"])
        self.prefix.driver("press-box", caption="Error")

        second = self.prefix.driver("wait-box", caption="Error")
        self.assertNotEqual(second["hwnd"], first["hwnd"])
        self.assertEqual(second["text"], "Installer file is corrupted. Error -40. ")
        self.prefix.driver("press-box", caption="Error")
        self.assert_installer_exits()
        self.assertEqual(self.files_named_evil(), [])

    def files_named_evil(self):
        found = []
        for folder, _dirs, names in os.walk(self.prefix.path):
            found += [os.path.join(folder, n) for n in names if n.lower().startswith("evil.")]
        return found

    def test_parent_folder_name(self):
        self.run_with_preview_name(r"..\..\evil.scf", r"..\..\evil.BMP")

    def test_forward_slashes(self):
        self.run_with_preview_name("../../evil.scf", "../../evil.BMP")

    def test_drive_absolute_name(self):
        self.run_with_preview_name(r"C:\evil.scf", r"C:\evil.BMP")


class BusyDestinationTest(harness.InstallerTestCase):
    """The licence's destination is held open by another program without
    sharing: after its attempts the extraction shows the busy box naming the
    file, keeps the old file and goes on as if it had been extracted."""

    OLD_TEXT = "An older licence that another program holds open.\r\n"

    def test_busy_licence_file(self):
        old = self.prefix.host_path(SAVER_FOLDER) / "License.txt"
        old.parent.mkdir(parents=True)
        old.write_bytes(self.OLD_TEXT.encode("latin-1"))
        path = rf"{SAVER_FOLDER}\License.txt"
        holder = self.prefix.driver_background("hold-file", path=path, seconds=600)
        self.assertTrue(wait_for_line(holder, "held", 30), holder.stdout())

        self.start_installer(self.package(bitmap_manifest(licence=True), package_files()))
        box = self.prefix.driver("wait-box", timeout_ms=120000)
        self.assertEqual(box["caption"], "Error")
        self.assertIn("File is busy and cannot be replaced", box["text"])
        self.assertIn(f"File: {path}", box["text"])
        self.assertEqual(box["text"], BUSY_TEXT + path)
        self.assertEqual([b["text"] for b in box["buttons"] if b["visible"]], ["&Abort"])

        holder.popen.kill()
        self.assertIsNotNone(holder.wait(30))
        self.prefix.driver("press-box", caption="Error")
        window = self.prefix.driver("window-info")
        memo = [c["text"] for c in window["controls"] if c["class"] == "Edit"]
        self.assertEqual(memo, [self.OLD_TEXT], "the busy file stays and is shown")
        self.assertEqual(old.read_bytes(), self.OLD_TEXT.encode("latin-1"))
        self.assertIn(path, files_list(old.parent / "saver.ini"),
                      "a busy file counts as extracted")
        self.prefix.driver("close")
        self.assert_installer_exits()


if __name__ == "__main__":
    unittest.main()

"""The installer window's layout in both licence modes, the resize rule of
the licence window, the captions, and the look of an error box."""

import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

LICENCE = "Licence line one.\r\nLicence line two.\r\n"
STRIP_HEIGHT = 63
PREVIEW_AREA = {"x": 0, "y": 0, "w": 352, "h": 152}
PREVIEW_IMAGE = {"x": 1, "y": 1, "w": 350, "h": 150}
# Distance of the Install button and of the progress bar to the strip's
# right edge, as laid out at design time (a 350-pixel strip).
RIGHT_MARGIN = 2
MIN_WINDOW = (359, 340)
MEMO_MIN_HEIGHT = 103

# Window styles (winuser.h).
WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_SYSMENU = 0x00080000


def rect(control):
    return control["rect"]


def right(r):
    return r["x"] + r["w"]


def bottom(r):
    return r["y"] + r["h"]


class Layout:
    """The installer window's controls, found by role in a window-info or
    resize answer of the driver. Rectangles are in the window's client
    coordinates."""

    def __init__(self, info):
        self.info = info
        self.client = info["client"]
        controls = info["controls"]
        self.install = _one(controls, lambda c: c["class"] == "Button" and c["text"] in (
            "Installa", "Accept and Install", "&Install"), "Install button")
        self.decline = _one(controls, lambda c: c["text"] == "&Decline", "Decline button")
        self.progress = _one(controls, lambda c: c["class"] == "msctls_progress32", "progress bar")
        self.memo = _one(controls, lambda c: c["class"] == "Edit", "licence memo")
        strip_id = self.install["parent_id"]
        self.strip = _one(controls, lambda c: c["id"] == strip_id and c["parent_id"] == 0,
                          "button strip")
        self.content = _one(
            controls, lambda c: c["parent_id"] == 0 and c["id"] not in (strip_id, self.memo["id"]),
            "preview area")
        content_id = self.content["id"]
        self.preview_children = [c for c in controls if c["parent_id"] == content_id]


def _one(controls, predicate, role):
    found = [c for c in controls if predicate(c)]
    if len(found) != 1:
        raise AssertionError(f"expected one {role}, found {len(found)}: {controls}")
    return found[0]


class LayoutAssertions(harness.InstallerTestCase):
    """Checks shared by both licence modes."""

    def start(self, licence):
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes(),
                                                 "License.txt": LICENCE})
        manifest = harness.standard_manifest(preview_kind=1, licence=licence)
        self.start_installer(self.package(manifest, files))
        return Layout(self.prefix.driver("window-info"))

    def resize(self, width, height):
        return Layout(self.prefix.driver("resize", width=width, height=height))

    def assert_strip_at_bottom(self, layout):
        client = layout.client
        self.assertEqual(rect(layout.strip), {"x": 0, "y": client["h"] - STRIP_HEIGHT,
                                              "w": client["w"], "h": STRIP_HEIGHT})

    def assert_strip_children_follow_right_edge(self, layout):
        strip_right = right(rect(layout.strip))
        self.assertEqual(right(rect(layout.install)), strip_right - RIGHT_MARGIN)
        self.assertEqual(right(rect(layout.progress)), strip_right - RIGHT_MARGIN)
        self.assertEqual(rect(layout.progress)["x"], 1, "the progress bar keeps its left edge")

    def assert_preview_fixed(self, layout):
        self.assertEqual(rect(layout.content), PREVIEW_AREA)
        shown = [c for c in layout.preview_children if c["visible"]]
        self.assertEqual([rect(c) for c in shown], [PREVIEW_IMAGE], layout.preview_children)

    def tearDown(self):
        if self.installer and self.installer.running():
            self.prefix.driver("close")
            self.assert_installer_exits()


class NoLicenceLayoutTest(LayoutAssertions):
    """Without a licence: a fixed-size window of preview area and strip."""

    def setUp(self):
        super().setUp()
        self.layout = self.start(licence=False)

    def test_client_is_preview_area_over_strip(self):
        layout = self.layout
        self.assertEqual(layout.client["h"], PREVIEW_AREA["h"] + STRIP_HEIGHT)
        self.assertGreaterEqual(layout.client["w"], PREVIEW_AREA["w"])
        self.assert_preview_fixed(layout)
        self.assert_strip_at_bottom(layout)
        self.assertEqual(rect(layout.strip)["y"], bottom(PREVIEW_AREA))
        self.assert_strip_children_follow_right_edge(layout)
        self.assertFalse(layout.memo["visible"], "the memo is hidden without a licence")

    def test_fixed_border_with_system_menu_only(self):
        style = self.layout.info["style"]
        self.assertEqual(style & WS_THICKFRAME, 0, "the window must not be sizeable")
        self.assertEqual(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0)
        self.assertEqual(style & WS_SYSMENU, WS_SYSMENU)
        self.assertTrue(self.layout.info["topmost"])

    def test_captions(self):
        self.assertEqual(self.layout.install["text"], "Installa")
        self.assertTrue(self.layout.install["visible"])
        self.assertFalse(self.layout.decline["visible"], "Decline is hidden without a licence")


class LicenceLayoutTest(LayoutAssertions):
    """With a licence: a sizeable window whose memo takes the height between
    the preview area and the strip."""

    def setUp(self):
        super().setUp()
        self.layout = self.start(licence=True)

    def test_initial_layout(self):
        layout = self.layout
        self.assertEqual(layout.client["h"], 322)
        self.assert_preview_fixed(layout)
        self.assertEqual(rect(layout.memo),
                         {"x": 0, "y": 154, "w": layout.client["w"], "h": MEMO_MIN_HEIGHT})
        self.assertEqual(rect(layout.strip)["y"], 259)
        self.assert_strip_at_bottom(layout)
        self.assert_strip_children_follow_right_edge(layout)
        self.assertTrue(layout.memo["visible"])
        self.assertEqual(layout.memo["text"], LICENCE)

    def test_sizeable_topmost_window_and_captions(self):
        info = self.layout.info
        self.assertEqual(info["style"] & WS_THICKFRAME, WS_THICKFRAME)
        self.assertEqual(info["style"] & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0)
        self.assertTrue(info["topmost"])
        self.assertEqual(info["caption"], "")
        self.assertEqual(self.layout.install["text"], "Accept and Install")
        self.assertEqual(self.layout.decline["text"], "&Decline")
        self.assertTrue(self.layout.decline["visible"])
        self.assertEqual(rect(self.layout.decline)["x"], 2, "Decline keeps its stored place")

    def test_growing_moves_strip_and_stretches_memo(self):
        before = self.layout
        window = before.info["window"]
        after = self.resize(window["w"] + 100, window["h"] + 50)
        self.assertEqual(after.client["w"], before.client["w"] + 100)
        self.assertEqual(after.client["h"], before.client["h"] + 50)
        self.assertEqual(rect(after.memo),
                         {"x": 0, "y": 154, "w": after.client["w"], "h": 151})
        self.assertEqual(rect(after.strip)["y"], rect(before.strip)["y"] + 50)
        self.assert_strip_at_bottom(after)
        self.assertEqual(rect(after.install)["x"], rect(before.install)["x"] + 100)
        self.assertEqual(rect(after.install)["w"], rect(before.install)["w"])
        self.assertEqual(rect(after.progress)["w"], rect(before.progress)["w"] + 100)
        self.assertEqual(rect(after.decline), rect(before.decline) | {
            "y": rect(before.decline)["y"] + 50})
        self.assert_preview_fixed(after)

    def test_minimum_size_keeps_memo_height_under_the_strip(self):
        layout = self.resize(*MIN_WINDOW)
        self.assertEqual((layout.info["window"]["w"], layout.info["window"]["h"]), MIN_WINDOW)
        memo = rect(layout.memo)
        self.assertEqual((memo["y"], memo["h"]), (154, MEMO_MIN_HEIGHT))
        self.assert_strip_at_bottom(layout)
        self.assertLess(rect(layout.strip)["y"], bottom(memo),
                        "at the minimum size the strip covers the memo's lower part")
        self.assert_preview_fixed(layout)

    def test_cannot_shrink_below_minimum(self):
        layout = self.resize(200, 150)
        self.assertEqual((layout.info["window"]["w"], layout.info["window"]["h"]), MIN_WINDOW)
        self.assertEqual(rect(layout.memo)["h"], MEMO_MIN_HEIGHT)


class PreparationErrorBoxTest(harness.InstallerTestCase):
    """The licence switch is set but slot 4 is empty: the licence step fails
    silently with -531 and the preparation reports it in a topmost box."""

    def test_corrupted_box(self):
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes()})
        installer = self.package(harness.standard_manifest(preview_kind=1), files)
        # saverpack refuses the switch without a licence file: set header
        # byte 1 (showLicence) by hand.
        data = bytearray(installer.read_bytes())
        self.assertEqual(data[harness.PACKAGE_OFFSET + 1], 0)
        data[harness.PACKAGE_OFFSET + 1] = 1
        installer.write_bytes(harness.mark_package(data))
        self.start_installer(installer)
        box = self.prefix.driver("wait-box")
        self.assertEqual(box["caption"], "Error")
        self.assertEqual(box["text"], "Installer file is corrupted. Error -531. ")
        self.assertEqual([(b["id"], b["text"]) for b in box["buttons"] if b["visible"]],
                         [(3, "&Abort")])
        self.assertTrue(box["topmost"], "the error box must be topmost")
        self.prefix.driver("press-box", caption="Error")
        self.assert_installer_exits()


if __name__ == "__main__":
    unittest.main()

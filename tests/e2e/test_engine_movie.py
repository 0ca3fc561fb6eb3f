"""The engine stand-in plays the screensaver's movie through the Shockwave
Flash control (the stand-in flashctl.dll registered in the prefix), and
falls back to the preview bitmap where no control can be created."""

import time
import unittest

import harness
import make_swf
from test_engine import IDOK, SAVER_CLASS, EngineTestCase, colour_count, saver_dat, solid_bitmap

harness.require_build("engine.scr", "flashctl.dll", "saverdrv.exe", saverpack=False)

NAVY = (0, 64, 128)
YELLOW = (255, 200, 0)
MAGENTA = (250, 10, 130)
CONTROL_CLASS = "SaverFlashControl"


def still_movie():
    """One 320 x 240 frame: a navy stage with a yellow 100 x 80 rectangle."""
    square = make_swf.Shape(fills=[YELLOW]).rectangle(0, 0, 100, 80)
    return make_swf.movie([make_swf.set_background(NAVY), make_swf.define_shape(1, square),
                           make_swf.place_object(1, 1, translate=(40, 30)),
                           make_swf.show_frame()], compressed=True)


class MovieCase(EngineTestCase):
    def place_movie_saver(self):
        """saver.dat naming the movie saver.scf, with a preview bitmap beside it."""
        self.place_engine(saver_dat(picture="saver.scf"),
                          files={"saver.scf": still_movie(),
                                 "installer.BMP": solid_bitmap(120, 80, MAGENTA)})

    def children(self):
        info = self.prefix.driver("window-info", **SAVER_CLASS)
        return [c for c in info["controls"] if c["visible"]]


class MovieTest(MovieCase):

    def test_full_screen_plays_the_movie_scaled_to_the_screen_and_ends_on_a_key(self):
        self.place_movie_saver()
        engine = self.start_engine("/s")
        self.prefix.driver("find-window", **SAVER_CLASS)
        self.assertTrue(harness.wait_until(self.children, 20), "no control in the window")
        control = self.children()[0]
        self.assertEqual(control["class"], CONTROL_CLASS)
        self.assertEqual(control["rect"], {"x": 0, "y": 0, "w": 1024, "h": 768})
        time.sleep(1)
        shot = self.shot("movie")
        # 320 x 240 shown on 1024 x 768: everything 3.2 times as large.
        self.assertGreater(colour_count(shot, NAVY), 1024 * 768 // 2)
        self.assertAlmostEqual(colour_count(shot, YELLOW), 320 * 256, delta=320 * 256 // 10)
        self.assertEqual(colour_count(shot, MAGENTA), 0, "the bitmap is not shown")
        self.assert_runs_on(engine)
        self.prefix.driver("key", key="space", **SAVER_CLASS)
        self.assert_ends(engine)

    def test_a_large_mouse_move_over_the_control_ends_it(self):
        self.place_movie_saver()
        engine = self.start_engine("/s")
        self.prefix.driver("find-window", **SAVER_CLASS)
        self.assertTrue(harness.wait_until(self.children, 20), "no control in the window")
        self.prefix.driver("mouse-move", dx=2, dy=2, **{"ctl-class": CONTROL_CLASS}, **SAVER_CLASS)
        self.assert_runs_on(engine)
        self.prefix.driver("mouse-move", dx=80, dy=0, **{"ctl-class": CONTROL_CLASS}, **SAVER_CLASS)
        self.assert_ends(engine)

    def test_the_settings_box_names_the_movie(self):
        self.place_movie_saver()
        engine = self.start_engine("/c")
        box = self.prefix.driver("wait-box", caption=self.caption)
        self.assertIn("Shows: the movie saver.scf", box["text"])
        self.prefix.driver("press-box", button=IDOK, caption=self.caption)
        self.assert_ends(engine)


class InstalledMovieTest(MovieCase):
    """The whole chain: saverpack builds the data file from a data manifest
    whose settings name its movie record, a silent package installs it, and
    the installed engine plays that movie."""

    title = "Deep Blue"

    def setUp(self):
        if not all(path.is_file() for path in (harness.artifact("install.exe"),
                                                harness.saverpack_path())):
            self.skipTest("the installer or saverpack is not built")
        super().setUp()

    def test_the_movie_named_by_the_data_manifest_plays_after_a_silent_install(self):
        data_manifest = ("record1 = movie.swf\nrecord1.name = saver.scf\n"
                         "record1.compressed = 1\npicture = saver.scf\n")
        files = dict(harness.support_files(), **{
            "preview.bmp": solid_bitmap(120, 80, MAGENTA),
            "engine.scr": harness.artifact("engine.scr").read_bytes(),
            "movie.swf": still_movie(),
            "data.manifest": data_manifest.encode(),
        })
        manifest = harness.standard_manifest(title=self.title, preview_kind=4,
                                             extra={"slot8": "data.manifest"})
        self.start_installer(self.package(manifest, files))
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)
        self.assertEqual((self.saver_folder / "saver.scf").read_bytes(), still_movie())

        engine = self.start_engine("/s")
        self.prefix.driver("find-window", **SAVER_CLASS)
        self.assertTrue(harness.wait_until(self.children, 20), "no control in the window")
        time.sleep(1)
        shot = self.shot("installed-movie")
        self.assertGreater(colour_count(shot, NAVY), 1024 * 768 // 2)
        self.assertEqual(colour_count(shot, MAGENTA), 0, "the preview bitmap is not shown")
        self.prefix.driver("key", **SAVER_CLASS)
        self.assert_ends(engine)


class WithoutControlTest(MovieCase):
    flash_control = False

    def test_the_preview_bitmap_stands_in_for_the_movie(self):
        self.place_movie_saver()
        engine = self.start_engine("/s")
        self.prefix.driver("find-window", **SAVER_CLASS)
        time.sleep(0.5)
        self.assertEqual(self.children(), [], "no control")
        shown = colour_count(self.shot("no-control"), MAGENTA)
        self.assertGreater(shown, 120 * 80 * 0.9)
        self.prefix.driver("key", **SAVER_CLASS)
        self.assert_ends(engine)


if __name__ == "__main__":
    unittest.main()

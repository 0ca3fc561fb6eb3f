"""Costly movies never freeze the control's host: with a movie that would
take the old control seconds or minutes a frame as the installer's preview,
the window appears, answers its messages, installs and closes; as the
engine's movie, full screen ends on a key; a one-frame movie shown for a
while is drawn once and then costs next to nothing.

The bounds are generous (this is about the host answering at all, not
about speed; flash_bench measures the cost of a frame)."""

import os
import time
import unittest

import harness
import make_stress_swf
from test_engine import SAVER_CLASS, saver_dat
from test_engine_movie import MovieCase
from test_flash import FlashTestCase

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe", "engine.scr",
                      harness.FLASH_CONTROL_DLL)

# Each of these took the old control longer than a minute before its window
# appeared (or froze it for good).
COSTLY = {
    "star-30000.swf": lambda: make_stress_swf.star_movie(30000),
    "stroke.swf": make_stress_swf.stroke_movie,
    "placements.swf": make_stress_swf.placements_movie,
}
# Window shown, install finished, closed: each far above what a host that
# answers needs, far below "never".
WINDOW_SECONDS = 20
INSTALL_SECONDS = 60
CLOSE_SECONDS = 20


def cpu_seconds(pid):
    """User and system time of a Linux process so far (Wine runs each
    Windows program as one)."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class CostlyPreviewTest(FlashTestCase):

    def start_and_wait_for_window(self, movie):
        started = time.monotonic()
        info = self.start_movie_package(movie)  # window-info waits for the window
        self.assertTrue(info["visible"])
        self.assertLess(time.monotonic() - started, WINDOW_SECONDS)
        # Messages sent to the window are answered while the movie plays.
        self.assertTrue(harness.wait_until(lambda: "Play" in self.trace_lines(), 20))
        for _ in range(3):
            self.assertTrue(self.prefix.driver("window-info", timeout_ms=5000)["enabled"])
        return info

    def test_each_costly_movie_leaves_the_window_answering_and_closing(self):
        for name, make in COSTLY.items():
            with self.subTest(movie=name):
                self.start_and_wait_for_window(make())
                self.shot("costly-" + name)
                self.prefix.driver("close")
                self.assertIsNotNone(self.installer.wait(CLOSE_SECONDS),
                                     f"{name}: the window is not closed by WM_CLOSE")

    def test_install_goes_through_with_the_costliest_star(self):
        self.start_and_wait_for_window(make_stress_swf.star_movie(250000))
        self.prefix.driver("click", text="Installa")
        self.assertEqual(self.assert_installer_exits(timeout=INSTALL_SECONDS), 0)
        self.assertTrue((self.prefix.windows_dir / "Aqua.scr").is_file())

    def test_a_one_frame_movie_is_drawn_once(self):
        # The 10,000-edge star at 60 frames a second costs a cut frame (a
        # few ms) to draw, the whole one a minute: drawn on every tick it
        # keeps the installer busy; drawn once, the installer sits idle
        # while it shows (0.0 s seen). A fifth of the time is a wide margin
        # over idle.
        self.start_and_wait_for_window(make_stress_swf.star_movie(10000, rate=60))
        time.sleep(1)
        before = cpu_seconds(self.installer.popen.pid)
        time.sleep(5)
        spent = cpu_seconds(self.installer.popen.pid) - before
        self.assertLess(spent, 1.0, f"{spent:.2f} s of CPU time in 5 s for a still picture")
        self.close_and_wait()


class CostlyEngineMovieTest(MovieCase):

    def test_full_screen_with_a_costly_movie_ends_on_a_key(self):
        for name, make in [("star-spin.swf", make_stress_swf.star_spin_movie),
                           ("placements.swf", make_stress_swf.placements_movie)]:
            with self.subTest(movie=name):
                self.place_engine(saver_dat(picture=name), files={name: make()})
                engine = self.start_engine("/s")
                self.prefix.driver("find-window", **SAVER_CLASS)
                self.assertTrue(harness.wait_until(self.children, 20), "no control")
                self.assert_runs_on(engine)
                self.prefix.driver("key", key="space", **SAVER_CLASS)
                self.assert_ends(engine, timeout=15)


if __name__ == "__main__":
    unittest.main()

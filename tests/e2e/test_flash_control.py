"""The stand-in Shockwave Flash control and its runtime installer under Wine.

The control (flashctl.dll) is registered in a fresh prefix with regsvr32 or
installed by flashax.exe, then hosted by saverdrv.exe in Wine's AtlAxWin
exactly as the installer hosts it; the screen, the driver's event lines and
the control's trace show what it did."""

import os
import unittest

import harness
import make_swf

harness.require_build("flashctl.dll", "flashctl5.dll", "flashax.exe", "saverdrv.exe",
                      saverpack=False)

NAVY = (0, 64, 128)
YELLOW = (255, 200, 0)
PLACEHOLDER = (192, 192, 192)
VERSION_6 = 0x60000
VERSION_5 = 0x50000
CLASS_NOT_REGISTERED = 0x80040154


def still_movie():
    """One frame, 320 x 240: navy stage, a yellow 100 x 80 rectangle at
    (40, 30), and one FSCommand."""
    square = make_swf.Shape(fills=[YELLOW]).rectangle(0, 0, 100, 80)
    return make_swf.movie([make_swf.set_background(NAVY), make_swf.define_shape(1, square),
                           make_swf.place_object(1, 1, translate=(40, 30)),
                           make_swf.fscommand("allowscale", "true"), make_swf.show_frame()],
                          compressed=True)


def pixel(image_path, x, y):
    """(r, g, b) of one screen pixel, read with ImageMagick."""
    import subprocess
    out = subprocess.run(["convert", str(image_path), "-crop", f"1x1+{x}+{y}", "-depth", "8",
                          "txt:-"], check=True, capture_output=True, text=True).stdout
    values = out.splitlines()[-1].split("(")[1].split(")")[0].split(",")
    return tuple(int(float(v)) for v in values[:3])


class FlashControlCase(harness.InstallerTestCase):
    flash_control = False  # each test registers or installs the control itself

    def setUp(self):
        super().setUp()
        self.trace = self.prefix.drive_c / "flash-trace.txt"

    def write_movie(self, name, data):
        (self.prefix.drive_c / name).write_bytes(data)
        return "C:\\" + name

    def host(self, movie, **options):
        """Starts saverdrv flash-host with the trace switched on."""
        os.environ["SAVER_FLASH_TRACE"] = r"C:\flash-trace.txt"
        try:
            return self.prefix.driver_background("flash-host", movie=movie, **options)
        finally:
            del os.environ["SAVER_FLASH_TRACE"]

    def wait_created(self, process):
        created = harness.wait_until(
            lambda: [l for l in process.lines() if l.get("event") == "created"], 30)
        self.assertTrue(created, process.stdout() + process.stderr_path.read_text())
        return created[0]

    def finish(self, process):
        self.assertEqual(process.wait(60), 0, process.stdout())
        self.assertEqual(process.lines()[-1].get("event"), "closed")
        return process.lines()

    def trace_lines(self):
        return self.trace.read_text().splitlines() if self.trace.exists() else []

    def probe(self):
        return self.prefix.driver("flash-probe", check=False)


class RegisteredControl(FlashControlCase):
    def test_regsvr32_registers_the_class_for_the_dll(self):
        path = harness.register_flash_control(self.prefix)
        self.assertEqual(harness.registered_flash_server(self.prefix).lower(), path.lower())
        key = rf"HKCR\CLSID\{harness.FLASH_CLSID}\InprocServer32"
        out = self.prefix.run("reg", "query", key, "/v", "ThreadingModel").stdout()
        self.assertIn("Apartment", out)
        self.assertEqual(self.probe(), {"cmd": "flash-probe", "ok": True, "version": VERSION_6})
        # Unregistering another copy leaves the registration alone; the
        # registered copy removes it.
        other = self.prefix.drive_c / "other"
        other.mkdir()
        (other / "flashctl5.dll").write_bytes(harness.artifact("flashctl5.dll").read_bytes())
        self.assertEqual(self.prefix.run("regsvr32", "/u", "/s",
                                         r"C:\other\flashctl5.dll").popen.returncode, 0)
        self.assertEqual(harness.registered_flash_server(self.prefix).lower(), path.lower())
        self.assertEqual(self.prefix.run("regsvr32", "/u", "/s", path).popen.returncode, 0)
        self.assertIsNone(harness.registered_flash_server(self.prefix))
        self.assertEqual(self.probe()["hresult"], CLASS_NOT_REGISTERED)

    def test_plays_scaled_raises_events_and_reports_in_order(self):
        harness.register_flash_control(self.prefix)
        movie = self.write_movie("still.swf", still_movie())
        # The stage (320 x 240) fills a 640 x 480 control at twice its size.
        process = self.host(movie, width=640, height=480, seconds=4)
        created = self.wait_created(process)
        self.assertEqual(created["version"], VERSION_6)
        self.assertEqual(created["configured"], 0)
        self.assertTrue(created["sink"])
        harness.wait_until(lambda: any(l.get("event") == "fscommand" for l in process.lines()), 10)
        shot = self.shot("still-movie")
        self.assertEqual(pixel(shot, 20, 20), NAVY)
        self.assertEqual(pixel(shot, 180, 140), YELLOW)   # stage (90, 70)
        self.assertEqual(pixel(shot, 300, 210), NAVY)     # stage (150, 105): right of it
        self.assertEqual(pixel(shot, 630, 470), NAVY)
        lines = self.finish(process)
        events = [(l["command"], l["args"]) for l in lines if l.get("event") == "fscommand"]
        # One frame: its action runs once, however long the movie shows.
        self.assertEqual(events, [("allowscale", "true")])
        self.assertEqual(self.trace_lines(), [
            "create", "FlashVersion=0x60000", "ScaleMode=0", "SetVariable Align=AlClient",
            "WMode=Opaque", "Menu=0", "Movie=" + movie, "Play", "FSCommand allowscale|true",
            "destroy"])

    def test_loops_frames_and_stops_on_stopplay(self):
        harness.register_flash_control(self.prefix)
        movie = self.write_movie("two.swf", make_swf.test_set()["two_frames.swf"])
        process = self.host(movie, seconds=3, stop_after=1200)
        self.wait_created(process)
        lines = self.finish(process)
        names = [l.get("event") for l in lines]
        self.assertIn("stopped", names)
        stopped_at = names.index("stopped")
        before = [l for l in lines[:stopped_at] if l.get("event") == "fscommand"]
        after = [l for l in lines[stopped_at:] if l.get("event") == "fscommand"]
        # Two frames at 12 per second: the second frame's command about six
        # times a second while playing, never after StopPlay.
        self.assertGreaterEqual(len(before), 3)
        self.assertEqual({(l["command"], l["args"]) for l in before}, {("ping", "pong")})
        self.assertEqual(after, [])
        trace = self.trace_lines()
        self.assertEqual(trace[trace.index("StopPlay") + 1:], ["destroy"])

    def test_unreadable_movies_show_the_placeholder(self):
        harness.register_flash_control(self.prefix)
        cases = {"missing": r"C:\no such movie.swf",
                 "garbage": self.write_movie("garbage.swf", b"CWS\x06" + bytes(range(256)) * 8),
                 "empty": self.write_movie("empty.swf", b"")}
        for name, movie in cases.items():
            with self.subTest(movie=name):
                process = self.host(movie, seconds=2)
                self.wait_created(process)
                harness.wait_until(lambda: False, 1)
                shot = self.shot("placeholder-" + name)
                self.assertEqual(pixel(shot, 160, 120), PLACEHOLDER)
                self.finish(process)
                self.assertIn("movie-error " + movie, self.trace_lines())
        # A movie cut short still shows what it holds before the cut.
        cut = self.write_movie("cut.swf", make_swf.movie(
            [make_swf.set_background(NAVY), make_swf.show_frame()])[:-3])
        process = self.host(cut, seconds=2)
        self.wait_created(process)
        harness.wait_until(lambda: False, 1)
        self.assertEqual(pixel(self.shot("cut"), 160, 120), NAVY)
        self.finish(process)
        self.assertNotIn("movie-error " + cut, self.trace_lines())


class RuntimeInstaller(FlashControlCase):
    def run_flashax(self, *args):
        target = self.prefix.drive_c / "windows" / "flashax.exe"
        target.write_bytes(harness.artifact("flashax.exe").read_bytes())
        return self.prefix.run(target, *args).popen.returncode

    def installed_file(self):
        return self.prefix.host_path(harness.FLASH_CONTROL_FOLDER + r"\flashctl.dll")

    def assert_current_control_installed(self):
        self.assertEqual(harness.registered_flash_server(self.prefix).lower(),
                         (harness.FLASH_CONTROL_FOLDER + r"\flashctl.dll").lower())
        self.assertEqual(self.installed_file().read_bytes(),
                         harness.artifact("flashctl.dll").read_bytes())
        self.assertEqual(self.probe()["version"], VERSION_6)
        leftovers = [p.name for p in self.installed_file().parent.iterdir()
                     if p.name != "flashctl.dll"]
        self.assertEqual(leftovers, [])

    def test_quiet_install_into_a_prefix_without_control_and_again_over_it(self):
        before = self.probe()
        self.assertFalse(before["ok"])
        self.assertEqual(before["hresult"], CLASS_NOT_REGISTERED)
        self.assertEqual(self.run_flashax("/Q"), 0)
        self.assert_current_control_installed()
        self.assertEqual(self.run_flashax("/q"), 0)
        self.assert_current_control_installed()

    def test_replaces_an_old_control_elsewhere_and_at_its_own_place(self):
        harness.register_flash_control(self.prefix, "flashctl5.dll", r"C:\old flash")
        self.assertEqual(self.probe()["version"], VERSION_5)
        self.assertEqual(self.run_flashax("/Q"), 0)
        self.assert_current_control_installed()
        # An old control under the very name the installer uses.
        self.installed_file().write_bytes(harness.artifact("flashctl5.dll").read_bytes())
        self.prefix.run("regsvr32", "/s", harness.FLASH_CONTROL_FOLDER + r"\flashctl.dll")
        self.assertEqual(self.probe()["version"], VERSION_5)
        self.assertEqual(self.run_flashax("/Q"), 0)
        self.assert_current_control_installed()

    def test_failure_leaves_nothing_installed(self):
        # A file where the control's folder belongs: the control cannot be
        # written, and nothing is registered.
        macromed = self.prefix.host_path(r"C:\windows\system32\Macromed")
        macromed.mkdir(parents=True, exist_ok=True)
        (macromed / "Flash").write_bytes(b"not a folder")
        self.assertEqual(self.run_flashax("/Q"), 3)
        self.assertIsNone(harness.registered_flash_server(self.prefix))
        self.assertEqual(self.probe()["hresult"], CLASS_NOT_REGISTERED)

    def test_without_quiet_ends_with_a_box(self):
        target = self.prefix.drive_c / "windows" / "flashax.exe"
        target.write_bytes(harness.artifact("flashax.exe").read_bytes())
        process = self.prefix.start(target)
        box = self.prefix.driver("press-box", caption="Shockwave Flash", button=1)
        self.assertIn("was installed", box["text"])
        self.assertEqual(process.wait(30), 0)
        self.assert_current_control_installed()


if __name__ == "__main__":
    unittest.main()

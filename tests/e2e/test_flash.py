"""The Flash preview: a kind-2 package plays its movie in the preview area
through the stand-in Flash control, which traces what it receives."""

import subprocess
import unittest

import harness
import make_swf

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe", harness.FLASH_CONTROL_DLL)

BACKGROUND = (0, 64, 128)
SHAPE = (255, 200, 0)
MOVIE_PATH = r"C:\windows\Aqua dir\preview.swf"
# The settings of a new control, then the movie, in this order.
OPEN_CALLS = ["create", "ScaleMode=0", "SetVariable Align=AlClient", "WMode=Opaque", "Menu=0",
              f"Movie={MOVIE_PATH}", "Play"]


def preview_movie():
    """A 350x150 stage: the background on the left half, one solid
    rectangle over the right half, two frames."""
    shape = make_swf.Shape(fills=[SHAPE]).rectangle(0, 0, 175, 150)
    tags = [make_swf.set_background(BACKGROUND), make_swf.define_shape(1, shape),
            make_swf.place_object2(1, 1, translate=(175, 0)), make_swf.show_frame(),
            make_swf.show_frame()]
    return make_swf.movie(tags, width=350, height=150, rate=12.0)


def pixel(png, x, y):
    """(r, g, b) of one pixel of a screenshot."""
    out = subprocess.run(["convert", str(png), "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                          f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]", "info:"],
                         check=True, capture_output=True, text=True, stdin=subprocess.DEVNULL)
    return tuple(int(v) for v in out.stdout.strip().split(","))


def crop(png, rect, out):
    subprocess.run(["convert", str(png), "-crop", f"{rect['w']}x{rect['h']}+{rect['x']}+{rect['y']}",
                    "+repage", str(out)], check=True, stdin=subprocess.DEVNULL)
    return out


def client_origin(info):
    """Screen position of the window's client area (equal side borders, the
    caption above)."""
    window, client = info["window"], info["client"]
    border = (window["w"] - client["w"]) // 2
    return window["x"] + border, window["y"] + window["h"] - client["h"] - border


class FlashTestCase(harness.InstallerTestCase):
    """Starts a kind-2 package with the control tracing into trace.txt."""

    def start_movie_package(self, movie_bytes, preview_kind=2):
        self.trace = self.work / "trace.txt"
        self.trace.unlink(missing_ok=True)
        self.prefix.extra_env["SAVER_FLASH_TRACE"] = self.prefix.windows_path(self.trace)
        files = dict(harness.support_files(), **{"preview.swf": movie_bytes})
        manifest = harness.standard_manifest(preview_kind=preview_kind, preview="preview.swf")
        self.start_installer(self.package(manifest, files))
        return self.prefix.driver("window-info")

    def trace_lines(self):
        if not self.trace.is_file():
            return []
        return self.trace.read_text(encoding="utf-8").splitlines()

    def panel_calls(self):
        """The trace from the panel's control on: after the runtime check's
        probes (each created, asked and destroyed)."""
        lines = self.trace_lines()
        creates = [i for i, line in enumerate(lines) if line == "create"]
        self.assertGreaterEqual(len(creates), 3, lines)
        return lines[creates[2]:]

    def close_and_wait(self):
        self.prefix.driver("close")
        self.assert_installer_exits()


class MoviePreviewTest(FlashTestCase):

    def test_movie_is_shown_in_the_preview_area(self):
        info = self.start_movie_package(preview_movie())
        flash = [c for c in info["controls"] if c["parent_id"] != 0 and c["rect"]["w"] == 350]
        self.assertTrue(flash, info["controls"])
        x0, y0 = client_origin(info)
        # The preview area's client rectangle: moviePanel1 at 1,1 in the 352x152 area.
        left, top = x0 + 1, y0 + 1
        shot = None

        def movie_drawn():
            nonlocal shot
            shot = self.shot("flash-preview")
            return (pixel(shot, left + 40, top + 75) == BACKGROUND
                    and pixel(shot, left + 300, top + 75) == SHAPE)

        drawn = harness.wait_until(movie_drawn, timeout=15, interval=0.5)
        self.assertTrue(drawn, f"background {pixel(shot, left + 40, top + 75)}, "
                               f"shape {pixel(shot, left + 300, top + 75)}")
        crop(shot, info["window"], self.work / "window-flash.png")
        self.close_and_wait()

    def test_control_receives_the_settings_then_the_movie(self):
        self.start_movie_package(preview_movie())
        harness.wait_until(lambda: "Play" in self.trace_lines(), timeout=10)
        lines = self.trace_lines()
        probes = lines[:lines.index("create", lines.index("destroy"))]
        self.assertEqual([p for p in probes if not p.startswith("FlashVersion")],
                         ["create", "destroy"], lines)
        self.assertEqual(self.panel_calls()[:len(OPEN_CALLS)], OPEN_CALLS, lines)
        self.close_and_wait()

    def test_closing_the_window_stops_and_destroys_the_control(self):
        self.start_movie_package(preview_movie())
        harness.wait_until(lambda: "Play" in self.trace_lines(), timeout=10)
        self.close_and_wait()
        calls = self.panel_calls()
        self.assertEqual(calls[-2:], ["StopPlay", "destroy"], calls)
        self.assertEqual(calls.count("destroy"), 1, calls)

    def test_damaged_movie_leaves_the_window_working(self):
        # A compressed movie whose zlib stream is broken after the header.
        damaged = preview_movie()
        damaged = b"CWS" + damaged[3:8] + b"\x78\x9c" + bytes(range(7, 255)) * 4
        info = self.start_movie_package(damaged)
        self.assertTrue(info["visible"])
        harness.wait_until(lambda: "Play" in self.trace_lines(), timeout=10)
        again = self.prefix.driver("window-info")
        self.assertTrue(again["enabled"])
        self.shot("flash-damaged")
        # The control shows its placeholder and says so in its trace.
        self.assertTrue(harness.wait_until(
            lambda: any(line.startswith("movie-error") for line in self.trace_lines()), 10),
            self.trace_lines())
        self.close_and_wait()
        self.assertEqual(self.panel_calls()[-2:], ["StopPlay", "destroy"])


if __name__ == "__main__":
    unittest.main()

"""The screen saver engine stand-in (engine.scr) under Wine: full screen,
preview, settings box and uninstall, on an installation made by hand (files,
registry, system.ini) the way the installer leaves one."""

import struct
import subprocess
import time
import unittest

import harness

harness.require_build("engine.scr", "saverdrv.exe", saverpack=False)

SAVER_CLASS = {"class": "SaverEngineWindow"}
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
SCREEN = {"x": 0, "y": 0, "w": 1024, "h": 768}
IDOK, IDYES, IDNO = 1, 6, 7


def saver_dat(background=(0x20, 0x40, 0x60), speed=90, text="", picture="", flags=0):
    """saver.dat as the engine reads it, written from the layout: magic
    "SVRS", u16 version 1, u16 flags, background and text colours as
    0x00BBGGRR, u32 speed, text at 24 (64 bytes), picture name at 216
    (256 bytes), 1240 bytes in all."""
    red, green, blue = background
    data = bytearray(1240)
    struct.pack_into("<4sHHIII", data, 0, b"SVRS", 1, flags, red | green << 8 | blue << 16,
                     0xFFFFFF, speed)
    data[24:24 + len(text)] = text.encode("latin-1")
    data[216:216 + len(picture)] = picture.encode("latin-1")
    return bytes(data)


def solid_bitmap(width, height, rgb):
    row = bytes((rgb[2], rgb[1], rgb[0])) * width
    row += b"\0" * ((-len(row)) % 4)
    pixels = row * height
    return (struct.pack("<2sIII", b"BM", 54 + len(pixels), 0, 54)
            + struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835,
                          0, 0) + pixels)


def colour_count(png, rgb):
    """How many pixels of the screenshot have exactly this colour."""
    result = subprocess.run(["convert", str(png), "-format", "%c", "histogram:info:-"],
                            capture_output=True, text=True, check=True)
    wanted = "#%02X%02X%02X" % rgb
    return sum(int(line.split(":")[0]) for line in result.stdout.splitlines()
               if wanted in line)


class EngineTestCase(harness.InstallerTestCase):
    title = "Aqua"

    @property
    def engine(self):
        return self.prefix.windows_dir / f"{self.title}.scr"

    @property
    def engine_windows_path(self):
        return rf"C:\windows\{self.title}.scr"

    @property
    def saver_folder(self):
        return self.prefix.windows_dir / f"{self.title} dir"

    @property
    def key(self):
        return rf"{UNINSTALL_KEY}\{self.title}"

    def place_engine(self, settings=None, files=None):
        """The engine in the Windows folder and its saver folder with
        saver.dat and `files`."""
        self.engine.write_bytes(harness.artifact("engine.scr").read_bytes())
        self.saver_folder.mkdir(exist_ok=True)
        (self.saver_folder / "saver.dat").write_bytes(settings or saver_dat())
        for name, content in (files or {}).items():
            path = self.saver_folder / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(content)

    def reg(self, *args):
        return self.prefix.run("reg", *args).popen.returncode

    def install_by_hand(self):
        """What a finished install leaves: engine, folder, uninstall entry,
        SCRNSAVE.EXE in its short form, the shared codec library."""
        self.place_engine(files={"saver1.dll": b"x" * 100, "movie.scf": b"FWS",
                                 "installed files.lst": b"[installed files 1]\r\nsaver.dat\r\n"
                                                        b"saver1.dll\r\nmovie.scf\r\n"})
        (self.prefix.windows_dir / "impborl.dll").write_bytes(b"shared")
        self.assertEqual(self.reg("add", self.key, "/v", "DisplayName", "/d",
                                  f"{self.title} Screen Saver", "/f"), 0)
        self.assertEqual(self.reg("add", self.key, "/v", "UninstallString", "/d",
                                  f"{self.engine_windows_path} /u", "/f"), 0)
        short = self.prefix.driver("short-path", path=self.engine_windows_path)["short"]
        harness.set_ini_value(harness.system_ini(self.prefix), "boot", "SCRNSAVE.EXE", short)
        return short

    def start_engine(self, *args):
        return self.prefix.start(self.engine_windows_path, *args, name="engine")

    def assert_ends(self, process, timeout=15):
        code = process.wait(timeout)
        self.assertIsNotNone(code, f"the engine still runs {timeout} s later")
        self.assertEqual(code, 0)

    def assert_runs_on(self, process, seconds=1.5):
        time.sleep(seconds)
        self.assertTrue(process.running(), "the engine ended too early")

    def pixel(self, png, x, y):
        """The (red, green, blue) of one pixel of a screenshot."""
        channels = ",".join(f"%[fx:int(255*p{{{x},{y}}}.{c}+0.5)]" for c in "rgb")
        result = subprocess.run(["convert", str(png), "-format", channels, "info:"],
                                capture_output=True, text=True, check=True)
        return tuple(int(v) for v in result.stdout.strip().split(","))

    @property
    def caption(self):
        return f"{self.title} Screen Saver"

    def run_uninstall(self, command_line=None):
        """The uninstall command (by default as the installer writes it), run
        the way the shell runs a registry command."""
        line = command_line or f"{self.engine_windows_path} /u"
        return self.prefix.driver_background("run", command_line=line, timeout=120000)

    def answer(self, expected_text, button):
        box = self.prefix.driver("wait-box", caption=self.caption)
        self.assertEqual(box["text"], expected_text)
        self.prefix.driver("press-box", caption=self.caption, button=button)
        return box

    def assert_exit_code(self, runner, code):
        self.assertEqual(runner.wait(60), 0, "the uninstall command did not end")
        self.assertEqual(runner.lines()[-1]["exit_code"], code)

    def screen_saver_entry(self):
        return self.prefix.ini_value(harness.system_ini(self.prefix), "boot", "SCRNSAVE.EXE")


class FullScreenTest(EngineTestCase):

    def test_covers_the_screen_in_its_colours_and_ends_on_a_key(self):
        self.place_engine(saver_dat(background=(0x20, 0x40, 0x60)))
        engine = self.start_engine("/s")
        window = self.prefix.driver("find-window", **SAVER_CLASS)
        self.assertEqual(window["window"], SCREEN)
        self.assertTrue(window["topmost"])
        self.assertEqual(window["caption"], self.title)
        time.sleep(0.5)
        shot = self.shot("full-screen")
        self.assertEqual(self.pixel(shot, 2, 2), (32, 64, 96))
        self.assert_runs_on(engine)
        self.prefix.driver("key", **SAVER_CLASS)
        self.assert_ends(engine)
        self.prefix.driver("wait-gone", **SAVER_CLASS)

    def test_small_mouse_moves_are_ignored_a_large_one_ends_it(self):
        self.place_engine()
        engine = self.start_engine("/s")
        self.prefix.driver("find-window", **SAVER_CLASS)
        for dx in (3, -4, 0):
            self.prefix.driver("mouse-move", dx=dx, dy=2, **SAVER_CLASS)
        self.assert_runs_on(engine)
        self.prefix.driver("mouse-move", dx=60, dy=0, **SAVER_CLASS)
        self.assert_ends(engine)

    def test_shows_the_preview_bitmap_of_the_saver_folder(self):
        magenta = (250, 10, 130)
        self.place_engine(files={"installer.BMP": solid_bitmap(120, 80, magenta)})
        engine = self.start_engine("/s")
        self.prefix.driver("find-window", **SAVER_CLASS)
        time.sleep(0.5)
        shown = colour_count(self.shot("bitmap"), magenta)
        self.assertGreater(shown, 120 * 80 * 0.9, "the bitmap is shown at its size")
        self.assertLess(shown, 120 * 80 * 1.1)
        self.prefix.driver("key", **SAVER_CLASS)
        self.assert_ends(engine)

    def test_without_saver_folder_it_draws_with_its_defaults(self):
        self.engine.write_bytes(harness.artifact("engine.scr").read_bytes())
        engine = self.start_engine("/s")
        self.prefix.driver("find-window", **SAVER_CLASS)
        time.sleep(0.5)
        self.assertEqual(self.pixel(self.shot("defaults"), 2, 2), (0, 0, 0))
        self.prefix.driver("key", **SAVER_CLASS)
        self.assert_ends(engine)


class PreviewTest(EngineTestCase):
    """Wine 8 does not show what a program draws into a child window whose
    top-level window belongs to another process (its drawing goes to a
    surface nobody displays), so these tests check where the preview window
    is and how long it lives; what it draws is the full-screen drawing,
    scaled, and checked above."""

    def preview_children(self, **window):
        info = self.prefix.driver("window-info", **window)
        return [c for c in info["controls"] if c["class"] == "SaverEngineWindow"]

    def test_fills_the_given_window_as_its_child_and_ends_with_it(self):
        self.place_engine()
        host = self.prefix.driver_background("fake-window", title="Preview Host", seconds=60)
        fake = {"class": "SaverDrvFakeWindow"}
        found = self.prefix.driver("find-window", **fake)
        engine = self.start_engine("/p", found["hwnd"])
        self.assertTrue(harness.wait_until(lambda: self.preview_children(**fake), 20),
                        "no preview window")
        child = self.preview_children(**fake)[0]
        client = found["client"]
        self.assertEqual(child["rect"], {"x": 0, "y": 0, "w": client["w"], "h": client["h"]})
        self.assertEqual(child["parent_id"], 0, "a direct child of the given window")
        self.assertTrue(child["visible"])
        self.assert_runs_on(engine, 1)
        self.prefix.driver("close", **fake)
        self.assert_ends(engine)
        self.assertEqual(host.wait(20), 0)

    def test_previews_in_the_display_properties_until_they_close(self):
        self.place_engine()
        harness.install_display_panel(self.prefix)
        harness.set_ini_value(harness.system_ini(self.prefix), "boot", "SCRNSAVE.EXE",
                              self.engine_windows_path)
        panel = harness.open_display_panel(self.prefix)
        dialog = {"class": "#32770", "title": harness.DISPLAY_PROPERTIES}
        self.assertTrue(harness.wait_until(lambda: self.preview_children(**dialog), 20),
                        "no preview in the Display Properties")
        self.assertEqual(self.preview_children(**dialog)[0]["parent_id"], 202)
        self.prefix.driver("click", id=2, **dialog)
        self.prefix.driver("wait-exit", image=f"{self.title}.scr".lower(), timeout_ms=5000)
        self.assertEqual(panel.wait(20), 0)

    def test_a_window_that_is_gone_ends_it_at_once(self):
        self.place_engine()
        engine = self.start_engine("/p", "123456")
        self.assertEqual(engine.wait(15), 1)


class SettingsBoxTest(EngineTestCase):
    def test_shows_the_settings_of_saver_dat(self):
        self.place_engine(saver_dat(speed=75, text="Deep water"))
        for args in (("/c",), ()):
            engine = self.start_engine(*args)
            box = self.prefix.driver("wait-box", caption=f"{self.title} Screen Saver")
            self.assertIn("Text: Deep water", box["text"])
            self.assertIn("Speed: 75 pixels per second", box["text"])
            self.prefix.driver("press-box", button=IDOK, caption=f"{self.title} Screen Saver")
            self.assert_ends(engine)


class UninstallTest(EngineTestCase):
    """The uninstall command as the shell runs it from the uninstall entry:
    unquoted, although the title has a blank."""

    title = "Aqua Deep"

    def pending_deletions(self):
        process = self.prefix.run("reg", "query",
                                  r"HKLM\System\CurrentControlSet\Control\Session Manager",
                                  "/v", "PendingFileRenameOperations")
        return process.stdout()

    def assert_everything_stays(self, short):
        self.assertTrue(self.engine.is_file())
        self.assertTrue((self.saver_folder / "saver.dat").is_file())
        self.assertEqual(self.reg("query", self.key), 0)
        self.assertEqual(self.screen_saver_entry(), short)

    def test_yes_removes_folder_entry_and_key_and_the_engine_after_it_ended(self):
        self.install_by_hand()
        runner = self.run_uninstall()
        question = self.answer(f"Remove {self.title} Screen Saver?", IDYES)
        self.assertEqual([b["id"] for b in question["buttons"]], [IDYES, IDNO])
        done = self.prefix.driver("wait-box", caption=self.caption)
        self.assertEqual(done["text"], f"{self.title} Screen Saver has been removed.")
        self.assert_exit_code(runner, 0)
        self.assertFalse(self.engine.exists(), "the engine file is gone when it says so")
        self.assertFalse(self.saver_folder.exists())
        self.assertNotEqual(self.reg("query", self.key), 0, "the uninstall entry is gone")
        self.assertIsNone(self.screen_saver_entry())
        self.assertTrue((self.prefix.windows_dir / "impborl.dll").is_file(), "shared files stay")
        self.prefix.driver("press-box", caption=self.caption, button=IDOK)
        self.prefix.driver("wait-exit", image=f"{self.title} uninstall.exe".lower())
        self.assertIn(f"{self.title} uninstall.exe", self.pending_deletions(),
                      "the remover copy is deleted at the next start")

    def test_no_keeps_everything(self):
        short = self.install_by_hand()
        runner = self.run_uninstall()
        self.answer(f"Remove {self.title} Screen Saver?", IDNO)
        self.assert_exit_code(runner, 0)
        self.assert_everything_stays(short)

    def test_with_nothing_installed_it_says_so_and_ends_cleanly(self):
        self.engine.write_bytes(harness.artifact("engine.scr").read_bytes())
        runner = self.run_uninstall()
        self.answer(f"{self.title} Screen Saver is not installed: there is nothing to remove.",
                    IDOK)
        self.assert_exit_code(runner, 0)
        self.assertTrue(self.engine.is_file(), "a lone engine is not an installation")

    def test_another_screen_savers_entry_stays(self):
        self.install_by_hand()
        harness.set_ini_value(harness.system_ini(self.prefix), "boot", "SCRNSAVE.EXE",
                              r"C:\windows\other.scr")
        runner = self.run_uninstall()
        self.answer(f"Remove {self.title} Screen Saver?", IDYES)
        self.answer(f"{self.title} Screen Saver has been removed.", IDOK)
        self.assert_exit_code(runner, 0)
        self.assertEqual(self.screen_saver_entry(), r"C:\windows\other.scr")
        self.assertFalse(self.saver_folder.exists())

    def test_a_busy_file_goes_at_the_next_start_and_the_entry_stays(self):
        self.install_by_hand()
        held = rf"C:\windows\{self.title} dir\saver1.dll"
        holder = self.prefix.driver_background("hold-file", path=held, seconds=40)
        self.assertTrue(harness.wait_until(lambda: holder.lines(), 30), "never held")
        runner = self.run_uninstall()
        self.answer(f"Remove {self.title} Screen Saver?", IDYES)
        box = self.prefix.driver("wait-box", caption=self.caption)
        self.assertTrue(box["text"].startswith(
            f"{self.title} Screen Saver has been removed except for files in use. They will be "
            f"deleted when Windows restarts:\r\n\r\n{held}\r\n"), box["text"])
        self.assertIn(self.engine_windows_path, box["text"], "the running engine, too")
        self.prefix.driver("press-box", caption=self.caption, button=IDOK)
        self.assert_exit_code(runner, 0)
        self.assertTrue(self.engine.is_file())
        self.assertEqual(self.reg("query", self.key), 0, "the entry stays for another run")
        self.assertIsNone(self.screen_saver_entry(), "what could go, went")
        pending = self.pending_deletions()
        for path in (held, self.engine_windows_path, rf"C:\windows\{self.title} dir"):
            self.assertIn(path, pending)


class InstalledEngineTest(EngineTestCase):
    """The engine as a silent package installs it: it shows the settings the
    installer copied into saver.dat, and the uninstall entry's command, run
    as the registry holds it, removes the installation."""

    title = "Blue Sea"

    def setUp(self):
        wanted = [harness.artifact("install.exe"), harness.artifact("impborl.dll"),
                  harness.saverpack_path()]
        if not all(path.is_file() for path in wanted):
            self.skipTest("the installer or saverpack is not built")
        super().setUp()

    def install(self):
        files = dict(harness.support_files(), **{
            "preview.bmp": harness.bitmap_bytes(),
            "engine.scr": harness.artifact("engine.scr").read_bytes(),
            # A data file with no records is its header alone.
            "data.ssd": saver_dat(background=(0x60, 0x20, 0x40), text="Blue Sea"),
        })
        manifest = harness.standard_manifest(title=self.title, preview_kind=4)
        self.start_installer(self.package(manifest, files))
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)

    def test_runs_with_its_settings_and_the_uninstall_entry_removes_it(self):
        self.install()
        self.assertTrue(self.engine.is_file())
        engine = self.start_engine("/s")
        self.prefix.driver("find-window", **SAVER_CLASS)
        time.sleep(0.5)
        self.assertEqual(self.pixel(self.shot("installed"), 2, 2), (0x60, 0x20, 0x40))
        self.prefix.driver("key", **SAVER_CLASS)
        self.assert_ends(engine)

        uninstall = self.prefix.registry_values(self.key)["UninstallString"]
        self.assertEqual(uninstall, rf'"C:\windows\{self.title}.scr" /u')
        self.assertIsNotNone(self.screen_saver_entry())
        runner = self.run_uninstall(uninstall)
        self.answer(f"Remove {self.title} Screen Saver?", IDYES)
        self.answer(f"{self.title} Screen Saver has been removed.", IDOK)
        self.assert_exit_code(runner, 0)
        self.assertFalse(self.engine.exists())
        self.assertFalse(self.saver_folder.exists())
        self.assertIsNone(self.prefix.registry_values(self.key))
        self.assertIsNone(self.screen_saver_entry())
        self.assertTrue((self.prefix.windows_dir / "impborl.dll").is_file())


if __name__ == "__main__":
    unittest.main()

"""The uninstall entry's command under Wine, on screen savers the real
installer put into the prefix: each test compares a snapshot of the prefix
(every file with its bytes, the registry, system.ini) from before the install
with one after the uninstall, taken after a restart of Windows (a new Wine
session, which carries out the deletions left for it).

What may stay: impborl.dll in the Windows folder (shared with other screen
savers), the installer's scratch folder Windows\\TEMP\\LMX temp, the folder
C:\\setup the test downloads the installer to, and what the user added."""

import re
import unittest

import harness
import snapshot
import test_engine

harness.require_build("install.exe", "impborl.dll", "engine.scr", "saverdrv.exe")

IDOK, IDYES = 1, 6
LEFT_BY_DESIGN = (r"^windows\\impborl\.dll$", r"^windows\\temp\\lmx temp(\\|$)",
                  r"^setup(\\|$)")


def saver_folder_name(title):
    """The installer's rule for the saver folder's name (a title of dots
    only would name the Windows folder or its parent)."""
    name = re.sub(r'[\x00-\x1f\\/:*?"<>|]', "_", title)
    return ("_" * len(name) if set(name) == {"."} else name) + " dir"


class UninstallTestCase(test_engine.EngineTestCase):
    title = "Aqua"
    maxDiff = None

    @property
    def saver_folder(self):
        return self.prefix.windows_dir / saver_folder_name(self.title)

    def install(self):
        files = dict(harness.support_files(), **{
            "preview.bmp": harness.bitmap_bytes(),
            "engine.scr": harness.artifact("engine.scr").read_bytes(),
            "data.ssd": test_engine.saver_dat(text=self.title),
        })
        manifest = harness.standard_manifest(title=self.title, preview_kind=4)
        self.start_installer(self.package(manifest, files))
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)
        self.assertTrue(self.engine.is_file())
        self.assertTrue((self.saver_folder / "installed files.lst").is_file())

    def uninstall_string(self):
        return self.prefix.registry_values(self.key)["UninstallString"]

    def remover_image(self):
        return f"{self.title} uninstall.exe".lower()

    def uninstall(self, expected_end, command_line=None):
        """Runs the uninstall command, says Yes, and checks the closing box
        (which the engine's remover copy shows) and that every part ended."""
        runner = self.run_uninstall(command_line or self.uninstall_string())
        self.answer(f"Remove {self.title} Screen Saver?", IDYES)
        self.assert_exit_code(runner, 0)
        box = self.answer(expected_end, IDOK)
        self.prefix.driver("wait-exit", image=self.remover_image())
        return box

    def assert_as_before(self, before, allowed=()):
        self.prefix.restart()
        differences = snapshot.compare(before, snapshot.take(self.prefix),
                                       LEFT_BY_DESIGN + tuple(allowed))
        self.assertEqual(differences, [], "the prefix differs from before the install")

    def removed(self):
        return f"{self.title} Screen Saver has been removed."


class CompleteUninstallTest(UninstallTestCase):
    """For titles that need the shared folder rule and the whole command
    line: install, run the registry's command unchanged, and the prefix is
    as before."""

    def check_title(self, title, quote=False):
        self.title = title
        before = snapshot.take(self.prefix)
        self.install()
        command = self.uninstall_string()
        if quote:
            command = f'"{self.engine_windows_path}" /u'
            self.assertEqual(self.reg("add", self.key, "/v", "UninstallString", "/d", command,
                                      "/f"), 0)
        self.uninstall(self.removed(), command)
        self.assertFalse(self.engine.exists())
        self.assert_as_before(before)

    def test_title_dot(self):
        self.check_title(".")

    def test_title_dot_dot(self):
        self.check_title("..")

    def test_title_that_looks_like_a_switch(self):
        self.check_title("Joe -s Show")

    def test_title_that_looks_like_a_switch_quoted(self):
        self.check_title("Joe -s Show", quote=True)

    def test_title_with_a_blank(self):
        self.check_title("Aqua Blue")


class BusyEngineTest(UninstallTestCase):
    def test_uninstall_during_the_saver_then_again_leaves_nothing(self):
        before = snapshot.take(self.prefix)
        self.install()
        saver = self.start_engine("/s")
        self.prefix.driver("find-window", **test_engine.SAVER_CLASS)
        runner = self.run_uninstall(self.uninstall_string())
        self.answer(f"Remove {self.title} Screen Saver?", IDYES)
        self.assert_exit_code(runner, 0)
        box = self.prefix.driver("wait-box", caption=self.caption, timeout_ms=60000)
        self.assertTrue(box["text"].startswith(
            f"{self.title} Screen Saver has been removed except for files in use."), box["text"])
        self.assertIn(self.engine_windows_path, box["text"])
        self.prefix.driver("press-box", caption=self.caption, button=IDOK)
        self.prefix.driver("wait-exit", image=self.remover_image())
        self.assertFalse(self.saver_folder.exists())
        self.assertTrue(self.engine.is_file(), "in use by the running saver")
        self.assertIsNotNone(self.prefix.registry_values(self.key), "the entry stays")

        self.prefix.driver("key", **test_engine.SAVER_CLASS)
        self.assert_ends(saver)
        self.uninstall(self.removed())
        self.assertFalse(self.engine.exists())
        self.assertIsNone(self.prefix.registry_values(self.key))
        self.assert_as_before(before)


class LinkedFolderTest(UninstallTestCase):
    def test_a_linked_saver_folder_keeps_its_targets_files(self):
        before = snapshot.take(self.prefix)
        self.install()
        # The user's folder, with a list of its own that names its files.
        target = self.prefix.drive_c / "users" / "Public" / "Documents" / "work"
        (target / "chapters").mkdir(parents=True)
        contents = {"thesis.doc": b"my thesis", "saver.dat": b"not the saver's",
                    "installed files.lst": b"[installed files 1]\r\nthesis.doc\r\nsaver.dat\r\n",
                    "chapters/one.doc": b"chapter one"}
        for name, data in contents.items():
            (target / name).write_bytes(data)
        for child in self.saver_folder.iterdir():
            child.unlink()
        self.saver_folder.rmdir()
        self.saver_folder.symlink_to(target, target_is_directory=True)
        self.uninstall(self.removed() + "\r\n\r\nWhat was not installed with it stays."
                       f"\r\nkept: C:\\windows\\{self.title} dir (a link, not followed)")
        self.assertTrue(self.saver_folder.is_symlink(), "Wine 8 cannot remove the link alone")
        for name, data in contents.items():
            self.assertEqual((target / name).read_bytes(), data, name)
        self.assertFalse(self.engine.exists())
        self.assertIsNone(self.prefix.registry_values(self.key))
        self.assert_as_before(before, (r"^users\\public\\documents\\work(\\|$)",
                                       rf"^windows\\{re.escape(self.title.lower())} dir$"))


class RemoveEngineSwitchTest(UninstallTestCase):
    def test_a_foreign_path_or_an_installed_engine_is_refused(self):
        self.install()
        document = self.prefix.drive_c / "users" / "Public" / "Documents" / "thesis.doc"
        document.write_bytes(b"my thesis")
        before = snapshot.take(self.prefix)
        for path in (r"C:\users\Public\Documents\thesis.doc", self.engine_windows_path,
                     r"C:\windows\win.ini", rf"C:\windows\{self.title} dir\saver.dat"):
            runner = self.run_uninstall(f'{self.engine_windows_path} /remove-engine 1 "{path}"')
            self.assert_exit_code(runner, 2)
        self.prefix.stop_server()
        self.assertEqual(snapshot.compare(before, snapshot.take(self.prefix)), [])


class UsersFileTest(UninstallTestCase):
    def test_a_users_file_survives_and_is_named(self):
        before = snapshot.take(self.prefix)
        self.install()
        (self.saver_folder / "mine.doc").write_bytes(b"the user's")
        self.uninstall(self.removed() + "\r\n\r\nWhat was not installed with it stays.\r\n"
                       f"kept: C:\\windows\\{self.title} dir\\mine.doc")
        self.assertEqual((self.saver_folder / "mine.doc").read_bytes(), b"the user's")
        self.assertEqual([p.name for p in self.saver_folder.iterdir()], ["mine.doc"])
        self.assert_as_before(before, (r"^windows\\aqua dir(\\mine\.doc)?$",))


class TwoAtOnceTest(UninstallTestCase):
    def test_the_second_says_one_is_running_and_the_first_finishes(self):
        self.install()
        first = self.run_uninstall(self.uninstall_string())
        self.prefix.driver("wait-box", caption=self.caption, text_start="Remove ")
        second = self.run_uninstall(self.uninstall_string())
        running = f"An uninstall of {self.title} Screen Saver is already running."
        self.prefix.driver("press-box", caption=self.caption, text_start=running, button=IDOK)
        self.assert_exit_code(second, 0)
        self.prefix.driver("press-box", caption=self.caption, text_start="Remove ", button=IDYES)
        self.assert_exit_code(first, 0)
        self.answer(self.removed(), IDOK)
        self.assertFalse(self.engine.exists())
        self.assertFalse(self.saver_folder.exists())


if __name__ == "__main__":
    unittest.main()

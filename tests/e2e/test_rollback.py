"""A failed or interrupted install leaves the machine as it was, under Wine.

Each test compares a snapshot of the prefix (every file of drive C: with its
bytes, the uninstall entries of the registry, system.ini among the files)
taken once the installer's window is prepared with one taken after the
failed install: an unsafe entry name, a failed update of a working
installation, another saver's library and a replaced Windows file, a
missing working copy, another program's uninstall entry, and a run killed
half-way followed by a second run of the same installer."""

import hashlib
import os
import struct
import subprocess
import time
import unittest

import harness

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
FAILURE_STATUS = "Open the Display Control Panel  and select saver to complete installation."
TABLE_START = harness.PACKAGE_OFFSET + 68
ENTRY_SIZE = 280
THESIS = b"the user's thesis, three years of work"


def entry_field(slot, offset):
    """File position of a PackageEntry field: +0 name (256 bytes), +256
    startOffset (little-endian i32)."""
    return TABLE_START + slot * ENTRY_SIZE + offset


def rename_slot(data, slot, name):
    position = entry_field(slot, 0)
    data[position:position + 256] = name.encode("latin-1").ljust(256, b"\0")


def damage_data_file(data):
    """Claims 200 records in slot 8's data file: refused (-541) before any
    record is written, after the engine and the libraries are in place."""
    start = struct.unpack_from("<i", data, entry_field(8, 256))[0]
    struct.pack_into("<i", data, start + 212, 200)


class RollbackTest(harness.InstallerTestCase):

    def files(self, version=b""):
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes()})
        # Bytes after a program's image do not change what it does.
        for name in ("engine.scr", "saver1.dll", "saver2.dll", "extra.bin"):
            files[name] = files[name] + version
        return files

    def make_installer(self, title="Aqua", version=b"", patch=None, extra=None, name="installer.exe"):
        manifest = harness.standard_manifest(title=title, preview_kind=1, extra=extra)
        path = self.package(manifest, self.files(version), name=name)
        if patch:
            data = bytearray(path.read_bytes())
            patch(data)
            path.write_bytes(harness.mark_package(data))
        return path

    # --- the machine ---
    def snapshot(self):
        """{relative path: sha256} of drive C: (the scratch folder, where the
        working copies and the journal live, and the installers' own folder
        aside) and the registry's uninstall entries as reg.exe lists them."""
        files = {}
        root = self.prefix.drive_c
        for folder, _dirs, names in os.walk(root):
            rel_folder = os.path.relpath(folder, root).lower().replace(os.sep, "/")
            if rel_folder.startswith(("windows/temp", "setup", "users/root/temp")):
                continue
            for name in names:
                path = os.path.join(folder, name)
                if os.path.islink(path) or not os.path.isfile(path):
                    continue
                with open(path, "rb") as f:
                    files[f"{rel_folder}/{name.lower()}"] = hashlib.sha256(f.read()).hexdigest()
        process = self.prefix.start("reg", "query", UNINSTALL, "/s")
        process.wait(60)
        files["registry"] = process.stdout().replace("\r", "")
        return files

    def assert_same_machine(self, before, after, ignore=()):
        for key in ignore:
            before.pop(key, None)
            after.pop(key, None)
        changed = sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k))
        self.assertEqual(changed, [], "the failed install changed the machine")

    # --- the installer ---
    def open_window(self, installer):
        self.start_installer(installer)
        self.prefix.driver("find-window", timeout_ms=60000, **{"class": "TInstallerForm"})

    def install_and_answer_boxes(self):
        """Presses Install, answers every error box, and waits for the
        failure status; returns the boxes' texts."""
        self.prefix.driver("click", text="Installa")
        texts = []
        deadline = time.time() + 90
        while time.time() < deadline:
            box = self.prefix.driver("wait-box", caption="Error", timeout_ms=3000, check=False)
            if box.get("ok"):
                texts.append(box["text"])
                self.prefix.driver("press-box", caption="Error")
                continue
            controls = self.prefix.driver("window-info", check=False).get("controls", [])
            install = [c for c in controls if c["text"] == "Installa"]
            if install and not install[0]["enabled"]:
                return texts
        self.fail(f"the install did not end in failure; boxes: {texts}")

    def close_window(self):
        self.prefix.driver("close", how="syscommand")
        self.assert_installer_exits()

    def install_working(self, title="Aqua", version=b" v1"):
        self.start_installer(self.make_installer(title, version, name="earlier.exe"))
        self.prefix.driver("click", text="Installa", timeout_ms=60000)
        self.assertEqual(self.assert_installer_exits(timeout=90), 0)

    def failed_install(self, installer, setup=None):
        """Opens `installer`, snapshots, installs (failing), closes, and
        checks that nothing but saver.ini changed; returns the box texts."""
        self.open_window(installer)
        if setup:
            setup()
        before = self.snapshot()
        texts = self.install_and_answer_boxes()
        self.close_window()
        saver_ini = [k for k in before if k.endswith(" dir/saver.ini")]
        self.assert_same_machine(before, self.snapshot(), ignore=saver_ini)
        return texts

    # --- the cases ---
    def test_unsafe_entry_names_are_never_used_to_delete(self):
        thesis = self.prefix.drive_c / "users" / "Public" / "Documents" / "thesis.doc"
        thesis.parent.mkdir(parents=True, exist_ok=True)
        thesis.write_bytes(THESIS)
        hosts = self.prefix.windows_dir / "win.ini"
        for slot, name in ((8, r"..\..\users\Public\Documents\thesis.doc"),
                           (8, r"..\win.ini"),
                           (6, r"..\users\Public\Documents\thesis.doc")):
            with self.subTest(slot=slot, name=name):
                texts = self.failed_install(self.make_installer(
                    patch=lambda d: rename_slot(d, slot, name), name=f"unsafe{slot}.exe"))
                self.assertTrue(any("damaged or unsafe" in t for t in texts), texts)
                self.assertEqual(thesis.read_bytes(), THESIS)
                self.assertTrue(hosts.is_file())

    def test_failed_update_keeps_the_working_installation(self):
        self.install_working("Aqua")
        v1 = (self.prefix.windows_dir / "Aqua.scr").read_bytes()
        for title in ("Aqua", "AQUA"):
            with self.subTest(title=title):
                self.failed_install(self.make_installer(title, b" v2", patch=damage_data_file,
                                                        name=f"update-{title}.exe"))
                # Windows compares names without regard to letter case.
                self.assertEqual(self.prefix.host_path(r"C:\windows\Aqua.scr").read_bytes(), v1)

    def test_busy_engine_keeps_the_earlier_uninstall_entry(self):
        self.install_working("Aqua")
        engine = self.prefix.windows_dir / "Aqua.scr"
        holder = self.prefix.driver_background("hold-file", path=r"C:\windows\Aqua.scr",
                                               seconds=120)
        self.assertTrue(harness.wait_until(lambda: holder.lines(), 30))
        texts = self.failed_install(self.make_installer("Aqua", b" v2", name="update.exe"))
        self.assertTrue(any("Screen saver file is busy" in t for t in texts), texts)
        self.assertTrue(engine.is_file())

    def test_another_savers_library_and_a_replaced_windows_file_survive(self):
        alpha = {"slot9.type": 3, "slot9.name": "saver1.dat"}
        self.start_installer(self.make_installer("Alpha", b" alpha", extra=alpha, name="alpha.exe"))
        self.prefix.driver("click", text="Installa", timeout_ms=60000)
        self.assertEqual(self.assert_installer_exits(timeout=90), 0)
        library = self.prefix.windows_dir / "saver1.dll"
        self.assertTrue(library.is_file())
        beta = dict(alpha, **{"slot7.type": 2, "slot7.name": "win.ini"})
        self.failed_install(self.make_installer("Beta", b" beta", patch=damage_data_file, extra=beta,
                                           name="beta.exe"))
        self.assertTrue(library.read_bytes().endswith(b" alpha"))

    def test_missing_working_copy_keeps_the_preparations_files(self):
        def remove_working_copy():
            self.working_copy().unlink()
        self.failed_install(self.make_installer(), setup=remove_working_copy)
        self.assertTrue((self.prefix.windows_dir / "impborl.dll").is_file())

    def test_another_programs_uninstall_entry_is_left_alone(self):
        key = UNINSTALL + r"\Aqua"
        for args in (("/v", "DisplayName", "/d", "Aqua Media Player"),
                     ("/v", "UninstallString", "/d", r"C:\Program Files\Aqua\unins000.exe"),
                     ("/v", "Publisher", "/d", "Aqua Media")):
            self.prefix.run("reg", "add", key, *args, "/f")
        self.prefix.run("reg", "add", key + r"\Settings", "/v", "Skin", "/d", "blue", "/f")
        registry = self.snapshot()["registry"]
        # A failed install does not touch it ...
        self.failed_install(self.make_installer(patch=damage_data_file, name="failing.exe"))
        # ... and a successful one installs but leaves the entry as it was.
        self.open_window(self.make_installer(name="working.exe"))
        texts = self.install_and_answer_boxes()
        self.close_window()
        self.assertEqual(len(texts), 1, texts)
        self.assertIn("belongs to another program", texts[0])
        self.assertIn(r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion"
                      r"\Uninstall\Aqua", texts[0])
        self.assertEqual(self.snapshot()["registry"], registry)
        self.assertTrue((self.prefix.windows_dir / "Aqua.scr").is_file())

    def test_run_killed_half_way_is_undone_by_the_next_run(self):
        self.install_working("Aqua")
        update = self.make_installer("Aqua", b" v2", name="update.exe")
        self.open_window(update)
        before = self.snapshot()
        journal = self.prefix.windows_dir / "temp" / "LMX temp" / "Aqua dir.jnl"
        self.prefix.driver("click", text="Installa")
        # Killed once the engine has been replaced and a library is next.
        replaced = harness.wait_until(
            lambda: journal.is_file() and b"saver1.dll" in journal.read_bytes(), 60, 0.05)
        self.assertTrue(replaced, "the journal records the run's work")
        subprocess.run([str(harness.WINE_ENV), "kill", str(self.prefix.path)], check=False)
        self.assertIsNotNone(self.installer.wait(30), "the installer was killed")
        backups = [p for p in self.prefix.windows_dir.rglob("~ib*.tmp")]
        self.assertTrue(backups, "the killed run left its backups")
        # The next run puts the machine back before its window opens.
        self.open_window(update)
        after = self.snapshot()
        self.prefix.driver("close", how="syscommand")
        self.assert_installer_exits()
        saver_ini = [k for k in before if k.endswith(" dir/saver.ini")]
        self.assert_same_machine(before, after, ignore=saver_ini)
        self.assertEqual(list(self.prefix.windows_dir.rglob("~ib*.tmp")), [])
        self.assertFalse(journal.exists())


if __name__ == "__main__":
    unittest.main()

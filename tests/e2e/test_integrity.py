"""Entry checks and signatures under Wine: an installer with one byte of
slot 9's stored bytes inverted ends at start with the damaged entry's box
and the corrupted-installer box, and the prefix stays as it was outside the
scratch folder; an installer of another writer (no markers) installs as
before; a signed installer verifies (osslsigncode and saverpack), lists and
installs."""

import re
import shutil
import struct
import subprocess
import unittest

import harness
import snapshot

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

TITLE = "Aqua"
ENGINE = rf"C:\windows\{TITLE}.scr"
DAMAGED_TEXT = re.compile(
    r"^Installation Error: Installer package entry is damaged: its checksum does not match\. "
    r"Nothing was installed\. Please download the installer again\.\r?\n\r?\nFile: saver1\.dll$")
CORRUPTED_TEXT = "Installer file is corrupted. Error -41. "
# What a start-up may leave: the scratch folder and the copied installer.
LEFT_BY_DESIGN = (r"^windows\\temp\\lmx temp(\\|$)", r"^setup(\\|$)")


def slot(data, index):
    """(name, startOffset, endOffset) of a slot of an installer's table."""
    entry = harness.PACKAGE_OFFSET + 68 + 280 * index
    name = data[entry + 1:entry + 1 + data[entry]].decode("latin-1")
    start, end = struct.unpack_from("<ii", data, entry + 256)
    return name, start, end


def saverpack(*args):
    return subprocess.run([str(harness.saverpack_path()), *map(str, args)],
                          stdin=subprocess.DEVNULL, capture_output=True, text=True)


class IntegrityTestCase(harness.InstallerTestCase):
    def make_installer(self, preview_kind=4):
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes()})
        self.files = files
        return self.package(harness.standard_manifest(title=TITLE, preview_kind=preview_kind),
                            files)

    def assert_installed(self):
        self.assertEqual(self.prefix.host_path(ENGINE).read_bytes(), self.files["engine.scr"])
        folder = self.prefix.windows_dir / f"{TITLE} dir"
        self.assertEqual((folder / "saver1.dll").read_bytes(), self.files["saver1.dll"])


class MarkerLayoutTest(unittest.TestCase):
    """The tests' own marker writer (harness.mark_package) against
    saverpack's: the same bytes, so both follow the documented layout."""

    def test_marking_a_built_installer_again_changes_nothing(self):
        work = harness.WORK_ROOT / self.id()
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes()})
        installer = harness.build_package(work, harness.standard_manifest(preview_kind=1), files)
        data = installer.read_bytes()
        self.assertEqual(data[harness.PACKAGE_OFFSET + 68 + 240:][:4], b"\x89CRC")
        self.assertEqual(harness.mark_package(data), data)
        wiped = bytearray(data)
        for index in range(11):
            at = harness.PACKAGE_OFFSET + 68 + 280 * index + 240
            wiped[at:at + 16] = bytes(16)
        self.assertEqual(harness.mark_package(wiped), data)


class DamagedEntryTest(IntegrityTestCase):

    def test_inverted_byte_of_slot_9_ends_the_start_before_any_change(self):
        installer = self.make_installer(preview_kind=1)
        data = bytearray(installer.read_bytes())
        name, start, end = slot(data, 9)
        self.assertEqual(name, "saver1.dll")
        data[(start + end) // 2] ^= 0xFF
        installer.write_bytes(data)
        copied = self.prefix.drive_c / "setup" / installer.name
        copied.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(installer, copied)
        before = snapshot.take(self.prefix)

        self.installer = self.prefix.start(copied, name="install")
        first = self.prefix.driver("wait-box", caption="Error")
        self.assertRegex(first["text"], DAMAGED_TEXT)
        self.assertTrue(self.prefix.driver("press-box", caption="Error")["dismissed"])
        second = self.prefix.driver("wait-box", caption="Error")
        self.assertEqual(second["text"], CORRUPTED_TEXT)
        self.assertTrue(self.prefix.driver("press-box", caption="Error")["dismissed"])
        self.assert_installer_exits()

        self.assertFalse(self.prefix.host_path(r"C:\windows\impborl.dll").exists(),
                         "slot 1 is extracted only after the check")
        self.prefix.restart()
        differences = snapshot.compare(before, snapshot.take(self.prefix), LEFT_BY_DESIGN)
        self.assertEqual(differences, [], "the prefix changed outside the scratch folder")


class OtherWriterTest(IntegrityTestCase):

    def test_installer_without_markers_installs_as_before(self):
        installer = self.make_installer()
        data = bytearray(installer.read_bytes())
        for index in range(11):
            at = harness.PACKAGE_OFFSET + 68 + 280 * index + 240
            data[at:at + 16] = bytes(16)
        installer.write_bytes(data)
        listing = saverpack("verify", installer)
        self.assertEqual(listing.returncode, 0, listing.stderr)
        self.assertIn("no entry carries a check", listing.stdout)

        self.start_installer(installer)
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)
        self.assert_installed()


@unittest.skipUnless(shutil.which("osslsigncode") and shutil.which("openssl"),
                     "osslsigncode and openssl are needed (scripts/install-deps.sh)")
class SignedInstallerTest(IntegrityTestCase):

    def make_certificate(self):
        folder = self.work / "cert"
        folder.mkdir(parents=True, exist_ok=True)
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                        "-keyout", folder / "key.pem", "-out", folder / "cert.pem", "-days", "2",
                        "-subj", "/CN=Screen Saver Test Publisher"],
                       check=True, capture_output=True, stdin=subprocess.DEVNULL)
        (folder / "password.txt").write_text("correct horse\n")
        subprocess.run(["openssl", "pkcs12", "-export", "-in", folder / "cert.pem",
                        "-inkey", folder / "key.pem", "-out", folder / "cert.p12",
                        "-passout", f"file:{folder / 'password.txt'}"],
                       check=True, capture_output=True, stdin=subprocess.DEVNULL)
        return folder

    def test_signed_installer_verifies_lists_and_installs(self):
        installer = self.make_installer()
        unsigned_size = installer.stat().st_size
        cert = self.make_certificate()
        signed = installer.with_name("signed.exe")
        result = saverpack("sign", installer, "--pkcs12", cert / "cert.p12",
                           "--password-file", cert / "password.txt", "-o", signed)
        self.assertEqual(result.returncode, 0, result.stderr)

        # The certificate table follows the last entry; the package is unchanged.
        data = signed.read_bytes()
        self.assertGreater(len(data), unsigned_size)
        self.assertEqual(data[harness.PACKAGE_OFFSET:unsigned_size],
                         installer.read_bytes()[harness.PACKAGE_OFFSET:])
        checked = subprocess.run(["osslsigncode", "verify", "-in", signed,
                                  "-CAfile", cert / "cert.pem"],
                                 capture_output=True, text=True, stdin=subprocess.DEVNULL)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        verified = saverpack("verify", signed, "--ca", cert / "cert.pem")
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
        self.assertIn("signature: good", verified.stdout)
        listing = saverpack("list", signed)
        self.assertEqual(listing.returncode, 0, listing.stderr)
        self.assertIn(f"file size: {len(data)} bytes", listing.stdout)

        self.start_installer(signed)
        self.assertEqual(self.assert_installer_exits(timeout=60), 0)
        self.assert_installed()


if __name__ == "__main__":
    unittest.main()

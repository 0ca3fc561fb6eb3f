"""The saver data file under Wine: its records, stored, imploded by saverpack
and imploded by StormLib (an outside encoder), and copied, land byte for
byte in the saver folder; a chunk cut short shows the read error box, the
failure status, and the install is rolled back."""

import struct
import subprocess
import unittest

import harness
from test_codec_wine import CMP_BINARY, binary_payload, storm_implode, text_payload

harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")

TITLE = "Aqua"
SAVER_FOLDER = rf"C:\windows\{TITLE} dir"
HEADER_SIZE, RECORD_SIZE, CHUNK_SIZE = 1240, 264, 44
COPY_KIND = 3
FAILURE_STATUS = "Open the Display Control Panel  and select saver to complete installation."
READ_ERROR = "Lumivox Error: Problem reading screen saver data file. "


class DataFile:
    """A saver data file as records of (kind, name, chunk fields, stored
    bytes): read from bytes and laid out again as the builder does it."""

    def __init__(self, header, records):
        self.header = bytearray(header)
        self.records = records

    @classmethod
    def parse(cls, data):
        header = data[:HEADER_SIZE]
        count = struct.unpack_from("<i", header, 212)[0]
        records = []
        for i in range(count):
            at = HEADER_SIZE + i * RECORD_SIZE
            kind, name = data[at], data[at + 2:at + 258].split(b"\0")[0].decode("latin-1")
            position = struct.unpack_from("<i", data, at + 260)[0]
            file_size, stored_size, compressed = struct.unpack_from("<3i", data, position + 8)
            length = stored_size if compressed else file_size
            stored = data[position + CHUNK_SIZE:position + CHUNK_SIZE + length]
            records.append([kind, name, file_size, compressed, stored])
        return cls(header, records)

    def add(self, kind, name, file_size=0, compressed=0, stored=b""):
        self.records.append([kind, name, file_size, compressed, stored])

    def build(self):
        struct.pack_into("<i", self.header, 212, len(self.records))
        table, chunks = bytearray(), bytearray()
        position = HEADER_SIZE + RECORD_SIZE * len(self.records)
        for kind, name, file_size, compressed, stored in self.records:
            table += bytes([kind, 0]) + name.encode("latin-1").ljust(258, b"\0")
            table += struct.pack("<i", position)
            chunk = b"CHUN" + struct.pack("<4i", 0, file_size,
                                          len(stored) if compressed else 0, compressed)
            chunks += chunk.ljust(CHUNK_SIZE, b"\0") + stored
            position += CHUNK_SIZE + len(stored)
        return bytes(self.header) + bytes(table) + bytes(chunks)


class SaverDataInstallTest(harness.InstallerTestCase):
    MOVIE = binary_payload(31, 150000)
    SETTINGS = text_payload(32, 4000)
    STORM_MOVIE = binary_payload(33, 90000)

    def saverpack_data_file(self):
        """A data file from `saverpack data build`: an imploded movie, a
        stored text and a copy record, behind a header template."""
        folder = self.work / "data"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / "movie.swf").write_bytes(self.MOVIE)
        (folder / "settings.txt").write_bytes(self.SETTINGS)
        (folder / "head.bin").write_bytes(bytes(range(256)) * 4 + bytes(216))
        (folder / "data.manifest").write_text(
            "template = head.bin\nfirst_record_mode = 0\n"
            "record1 = movie.swf\nrecord1.name = saver.scf\nrecord1.compressed = 1\n"
            "record2 = settings.txt\nrecord3.copy = prevmon.scf\n")
        out = folder / "made.ssd"
        subprocess.run([str(harness.saverpack_path()), "data", "build",
                                str(folder / "data.manifest"), "-o", str(out)],
                               check=True, stdin=subprocess.DEVNULL)
        return out.read_bytes()

    def install(self, data_file):
        files = dict(harness.support_files(), **{"preview.bmp": harness.bitmap_bytes(),
                                                 "data.ssd": data_file})
        self.start_installer(self.package(harness.standard_manifest(title=TITLE,
                                                                    preview_kind=1), files))
        self.prefix.driver("click", text="Installa")

    def test_records_install_byte_identical(self):
        data = DataFile.parse(self.saverpack_data_file())
        self.assertEqual([r[1] for r in data.records], ["saver.scf", "settings.txt",
                                                        "prevmon.scf"])
        stream = storm_implode(self.STORM_MOVIE, CMP_BINARY, 4096)
        self.assertEqual(stream[:2], b"\x00\x06")
        data.add(0, "storm.scf", len(self.STORM_MOVIE), 1, stream)
        data.add(0, "", 0, 0, b"")  # an empty name is skipped
        data.add(COPY_KIND, "stormcopy.scf")
        data_file = data.build()
        self.install(data_file)
        self.assertEqual(self.installer.wait(120), 0, "the install ends with the program")

        folder = self.prefix.host_path(SAVER_FOLDER)
        expected = {"saver.scf": self.MOVIE, "settings.txt": self.SETTINGS,
                    "prevmon.scf": self.MOVIE, "storm.scf": self.STORM_MOVIE,
                    "stormcopy.scf": self.MOVIE}
        for name, content in expected.items():
            with self.subTest(file=name):
                self.assertTrue((folder / name).is_file(), f"{name} is missing")
                self.assertTrue((folder / name).read_bytes() == content, f"{name} differs")
        self.assertEqual((folder / "saver.dat").read_bytes(), data_file[:HEADER_SIZE])
        self.assertFalse((folder / f"{TITLE}.ssd").exists(), "the data file is temporary")

    def test_cut_short_chunk_shows_the_read_box_and_rolls_back(self):
        data = DataFile.parse(self.saverpack_data_file())
        data.add(0, "last.txt", len(self.SETTINGS), 0, self.SETTINGS)
        self.install(data.build()[:-100])
        box = self.prefix.driver("wait-box", timeout_ms=120000)
        self.shot("read-error")
        self.assertEqual(box["caption"], "Error")
        self.assertTrue(box["text"].startswith(READ_ERROR), box["text"])
        self.assertEqual(box["text"], READ_ERROR + self.system_text_of_100())
        self.assertEqual([b["text"] for b in box["buttons"] if b["visible"]], ["&Abort"])
        self.prefix.driver("press-box", caption="Error")

        def failed_and_disabled():
            controls = self.prefix.driver("window-info")["controls"]
            texts = [c["text"] for c in controls if c["visible"]]
            install = [c for c in controls if c["text"] == "Installa"]
            return FAILURE_STATUS in texts and install and not install[0]["enabled"]
        self.assertTrue(harness.wait_until(failed_and_disabled, 60),
                        "no failure status with Install disabled")
        folder = self.prefix.host_path(SAVER_FOLDER)
        self.assertFalse((folder / "last.txt").exists(), "the failing record's file is deleted")
        self.assertFalse((folder / "saver.scf").exists(),
                         "earlier records of the failed run are rolled back too")
        self.assertFalse(self.prefix.host_path(rf"C:\windows\{TITLE}.scr").exists(),
                         "the engine is rolled back")
        self.assertFalse((folder / "saver.dat").exists(), "saver.dat is never written")
        self.prefix.driver("close")
        self.assert_installer_exits()

    @staticmethod
    def system_text_of_100():
        """Wine's text for error 100 (the short read), as the installer
        trims it: trailing blanks, line breaks and periods removed."""
        return "Too many semaphores"


class DataFileWriterTest(unittest.TestCase):
    """The test's own data file writer, without Wine: what it lays out
    parses back to the same records, chunks right behind the table."""

    def test_round_trip(self):
        data = DataFile(bytes(HEADER_SIZE), [])
        data.add(0, "a.txt", 3, 0, b"abc")
        data.add(COPY_KIND, "b.txt")
        built = data.build()
        again = DataFile.parse(built)
        self.assertEqual(again.records, [[0, "a.txt", 3, 0, b"abc"], [COPY_KIND, "b.txt", 0, 0,
                                                                      b""]])
        self.assertEqual(len(built), HEADER_SIZE + 2 * RECORD_SIZE + 2 * CHUNK_SIZE + 3)


if __name__ == "__main__":
    unittest.main()

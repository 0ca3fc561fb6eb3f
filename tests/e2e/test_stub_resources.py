"""The stub's resources for today's Windows, read from the built
install.exe: an application manifest that asks for administrator rights and
names the Windows versions it supports, and a version resource. Runs no
Windows program (Wine ignores the elevation request)."""

import unittest
import xml.etree.ElementTree as ElementTree

import harness
from pe_resources import RT_MANIFEST, RT_VERSION, PeResources

harness.require_build("install.exe", saverpack=False)

ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}


class StubResourcesTest(unittest.TestCase):
    def setUp(self):
        self.stub = harness.artifact("install.exe").read_bytes()
        self.resources = PeResources(self.stub)

    def test_the_stub_stays_below_the_package(self):
        self.assertLessEqual(len(self.stub), harness.PACKAGE_OFFSET)

    def test_the_manifest_asks_for_administrator_rights(self):
        manifest = self.resources.find(RT_MANIFEST, 1)
        self.assertIsNotNone(manifest, f"no manifest among types {self.resources.types()}")
        root = ElementTree.fromstring(manifest)
        levels = root.findall(f".//{ASM_V3}requestedExecutionLevel")
        self.assertEqual([(e.get("level"), e.get("uiAccess")) for e in levels],
                         [("requireAdministrator", "false")])

    def test_the_manifest_names_every_windows_version_from_vista(self):
        root = ElementTree.fromstring(self.resources.find(RT_MANIFEST, 1))
        ids = {e.get("Id") for e in root.findall(f".//{COMPATIBILITY}supportedOS")}
        self.assertEqual({SUPPORTED_OS.get(i, i) for i in ids}, set(SUPPORTED_OS.values()))

    def test_the_version_resource_names_the_program(self):
        version = self.resources.find(RT_VERSION, 1)
        self.assertIsNotNone(version, f"no version resource among {self.resources.types()}")
        text = version.decode("utf-16-le", errors="replace")
        self.assertIn("VS_VERSION_INFO", text)
        # VS_FIXEDFILEINFO: signature 0xFEEF04BD, then the file version 1.0.0.0
        fixed = version.index(b"\xbd\x04\xef\xfe")
        self.assertEqual(version[fixed + 8:fixed + 16], bytes([0, 0, 1, 0, 0, 0, 0, 0]))
        for key, value in (("OriginalFilename", "install.exe"), ("FileVersion", "1.0.0.0"),
                           ("FileDescription", "Screen saver installer")):
            self.assertRegex(text, f"{key}\\x00+{value}\\x00", key)


if __name__ == "__main__":
    unittest.main()

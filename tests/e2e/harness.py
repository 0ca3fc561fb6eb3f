"""Shared machinery of the end-to-end tests: Wine prefixes, the installer
under Wine, the saverdrv.exe driver, packages built with saverpack.

Every test gets a fresh copy of one booted template prefix (made once per
build tree by scripts/wine-env.sh) and runs on one Xvfb display: the run's
display when CTest's fixture started one, or one this process starts and
stops itself. Wine's output always goes to files, never to a pipe: the
wineserver that the first program starts inherits its output handles, and a
pipe would never see its end.

Environment:
  SAVER_SOURCE_DIR   the source tree (default: two levels above this file)
  SAVER_NATIVE_DIR   the native build tree (saverpack; work and cache folders)
  SAVER_WIN32_DIR    the win32 build tree (install.exe, impborl.dll, saverdrv.exe)
  SAVER_WIN64_DIR    the win64 build tree, used only when 32-bit Wine cannot run
  SAVER_E2E_DISPLAY_STATE  file naming the run's Xvfb display (CTest fixture)
  SAVER_E2E_KEEP=1   keep every test's prefix (otherwise only logs stay)

The installer asks for the Flash control at every start and ends with -402
without one, so a test's prefix has the stand-in control registered
(`flash_template`), except for the tests of the runtime installer, which
ask for a prefix without it (`InstallerTestCase.flash_control = False`).
"""

import atexit
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import struct
import time
import unittest
import zlib
from pathlib import Path

SKIP_RETURN_CODE = 77
PACKAGE_OFFSET = 0x87000
TABLE_END = PACKAGE_OFFSET + 68 + 11 * 280

SOURCE_DIR = Path(os.environ.get("SAVER_SOURCE_DIR",
                                 Path(__file__).resolve().parents[2])).resolve()
NATIVE_DIR = Path(os.environ.get("SAVER_NATIVE_DIR", SOURCE_DIR / "build" / "native")).resolve()
WIN32_DIR = Path(os.environ.get("SAVER_WIN32_DIR", SOURCE_DIR / "build" / "win32")).resolve()
WIN64_DIR = Path(os.environ.get("SAVER_WIN64_DIR", WIN32_DIR.parent / "win64")).resolve()
WINE_ENV = SOURCE_DIR / "scripts" / "wine-env.sh"
WORK_ROOT = NATIVE_DIR / "e2e-work"

# The sample generators live in samples/; no bytecode caches in the sources.
sys.dont_write_bytecode = True
sys.path.insert(0, str(SOURCE_DIR / "samples"))
from make_demo_files import support_files  # noqa: E402,F401 (re-exported for the tests)
from make_preview import bitmap_bytes  # noqa: E402,F401
# The stand-in Flash control (in-process COM server) of the Windows build.
FLASH_CONTROL_DLL = "flashctl.dll"
# Its runtime installer, and a build of the control that answers version 5.0.
FLASH_INSTALLER_EXE = "flashax.exe"
OLD_FLASH_CONTROL_DLL = "flashctl5.dll"
# Programs that the driver waits for get this much time by default (ms).
DEFAULT_WAIT_MS = 20000


def _script(*args):
    result = subprocess.run([str(WINE_ENV), *args], check=True, stdout=subprocess.PIPE,
                            stdin=subprocess.DEVNULL, text=True)
    lines = result.stdout.strip().splitlines()
    return lines[-1] if lines else ""


_state = {}


def wine_arch():
    """'win32' when 32-bit Wine runs, 'win64' for the 64-bit fallback."""
    if "arch" not in _state:
        _state["arch"] = _script("arch")
        if _state["arch"] != "win32":
            banner = "!" * 72
            print(f"\n{banner}\n!!! 32-BIT WINE CANNOT RUN ON THIS MACHINE: THE END-TO-END TESTS\n"
                  f"!!! RUN THE WIN64 BUILD ({WIN64_DIR}) UNDER 64-BIT WINE.\n{banner}",
                  file=sys.stderr)
    return _state["arch"]


def build_dir():
    """The Windows build tree whose programs run under this machine's Wine."""
    return WIN32_DIR if wine_arch() == "win32" else WIN64_DIR


def artifact(name):
    return build_dir() / "bin" / name


def saverpack_path():
    return NATIVE_DIR / "bin" / "saverpack"


def require_build(*names, saverpack=True):
    """Ends the test program with SKIP_RETURN_CODE (CTest: skipped) when a
    build artifact is missing: the Windows programs `names` and, unless
    told otherwise, saverpack. Call it at import time of a test module."""
    wanted = [artifact(n) for n in names] + ([saverpack_path()] if saverpack else [])
    missing = [str(p) for p in wanted if not p.is_file()]
    if missing:
        print("SKIP: build artifacts missing: " + ", ".join(missing), file=sys.stderr)
        sys.exit(SKIP_RETURN_CODE)


def display():
    """The X display for this run, starting a private Xvfb if there is none."""
    if "display" in _state:
        return _state["display"]
    state_file = os.environ.get("SAVER_E2E_DISPLAY_STATE")
    if state_file and Path(state_file).is_file():
        _state["display"] = Path(state_file).read_text().split()[0]
        return _state["display"]
    WORK_ROOT.mkdir(parents=True, exist_ok=True)
    own_state = WORK_ROOT / f"xvfb-{os.getpid()}.state"
    _state["display"] = _script("xvfb-start", str(own_state))
    _state["own_display"] = own_state
    atexit.register(stop_display)
    return _state["display"]


def stop_display():
    """Stops the Xvfb that `display` started for this process, if any."""
    own_state = _state.pop("own_display", None)
    if own_state is not None:
        _state.pop("display", None)
        subprocess.run([str(WINE_ENV), "xvfb-stop", str(own_state)], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def template():
    if "template" not in _state:
        _state["template"] = _script("template", str(NATIVE_DIR / "wine" / "template"))
    return Path(_state["template"])


def flash_template():
    """The booted template with the stand-in Flash control registered."""
    if "flash_template" not in _state:
        control = artifact(FLASH_CONTROL_DLL)
        if not control.is_file():
            raise AssertionError(f"the stand-in Flash control {control} is not built: every "
                                 "installer start would end with -402")
        _state["flash_template"] = _script("flash-template", str(template()),
                                           str(NATIVE_DIR / "wine" / "template-flash"),
                                           str(control))
    return Path(_state["flash_template"])


def screenshot(path):
    """Saves the whole virtual screen as a PNG; returns the path."""
    path = Path(path)
    env = dict(os.environ, DISPLAY=display())
    subprocess.run(["import", "-window", "root", str(path)], env=env, check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    return path


class DriverError(AssertionError):
    pass


class WineProcess:
    """A Windows program running in the background; output in files."""

    def __init__(self, popen, stdout_path, stderr_path):
        self.popen = popen
        self.stdout_path = stdout_path
        self.stderr_path = stderr_path

    def wait(self, timeout):
        """Exit code, or None when the program still runs after `timeout` s."""
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self.popen.poll() is None

    def stdout(self):
        return self.stdout_path.read_text(errors="replace")

    def lines(self):
        """The JSON objects printed so far (saverdrv's output format)."""
        return [json.loads(line) for line in self.stdout().splitlines() if line.startswith("{")]


class WinePrefix:
    """A fresh prefix made from the booted template, removed by `close`."""

    def __init__(self, work_dir, flash_control=True):
        """A prefix with the stand-in Flash control registered, or without."""
        self.work_dir = Path(work_dir)
        self.work_dir.mkdir(parents=True, exist_ok=True)
        self.path = self.work_dir / "prefix"
        source = flash_template() if flash_control else template()
        _script("fresh", str(source), str(self.path))
        # Extra environment of the programs started in this prefix.
        self.extra_env = {}
        self.loader = _script("loader")
        self._counter = 0
        self._processes = []

    def env(self):
        return dict(os.environ, WINEPREFIX=str(self.path), WINEARCH=wine_arch(),
                    WINELOADER=self.loader, WINEDEBUG="-all", DISPLAY=display(),
                    **self.extra_env)

    # --- paths ---
    @property
    def drive_c(self):
        return self.path / "drive_c"

    @property
    def windows_dir(self):
        return self.drive_c / "windows"

    def host_path(self, windows_path):
        """The Linux path of a C: path, resolving each part without regard to
        case as Windows does (C:\\windows\\TEMP is drive_c/windows/temp)."""
        parts = re.split(r"[\\/]+", windows_path)
        if not parts[0].lower() == "c:":
            raise ValueError(f"not a C: path: {windows_path}")
        current = self.drive_c
        for part in filter(None, parts[1:]):
            current = _child_ignoring_case(current, part)
        return current

    @staticmethod
    def windows_path(host_path):
        """A Linux path as Wine's drive Z: shows it."""
        return "Z:" + str(Path(host_path).resolve()).replace("/", "\\")

    # --- programs ---
    def start(self, program, *args, name=None):
        """Starts `program` (a Linux path or a C: path) under Wine."""
        self._counter += 1
        stem = name or f"{self._counter:02d}-{Path(str(program)).stem}"
        out = self.work_dir / f"{stem}.out"
        err = self.work_dir / f"{stem}.err"
        with open(out, "wb") as out_file, open(err, "wb") as err_file:
            popen = subprocess.Popen([self.loader, str(program), *map(str, args)],
                                     env=self.env(), cwd=self.work_dir,
                                     stdin=subprocess.DEVNULL, stdout=out_file,
                                     stderr=err_file)
        self._processes.append(popen)
        return WineProcess(popen, out, err)

    def run(self, program, *args, timeout=120):
        process = self.start(program, *args)
        code = process.wait(timeout)
        if code is None:
            process.popen.kill()
            raise AssertionError(f"{program} {args} did not finish within {timeout} s")
        return process

    def driver(self, command, timeout_ms=DEFAULT_WAIT_MS, check=True, **options):
        """Runs one saverdrv.exe command and returns its last JSON object.
        With check, a failed condition raises DriverError."""
        args = [command]
        if command not in ("list", "hold-file", "fake-window", "short-path"):
            args += ["--timeout", str(timeout_ms)]
        for key, value in options.items():
            args += ["--" + key.replace("_", "-"), str(value)]
        process = self.run(artifact("saverdrv.exe"), *args, timeout=timeout_ms / 1000 + 60)
        lines = process.lines()
        if not lines:
            raise DriverError(f"saverdrv {args}: no output (exit {process.popen.returncode}): "
                              + process.stderr_path.read_text(errors="replace")[-2000:])
        result = lines[-1]
        if check and not result.get("ok"):
            raise DriverError(f"saverdrv {args}: {result}")
        return result

    def registry_values(self, key):
        """{name: data} of the string values of a registry key ("HKLM\\..."),
        read with Wine's reg.exe; None when the key does not exist."""
        process = self.start("reg", "query", key)
        code = process.wait(60)
        if code != 0:
            return None
        values = {}
        for line in process.stdout().splitlines():
            match = re.match(r"^\s+(.+?)\s{4}REG_\w+\s{4}(.*)$", line.rstrip("\r"))
            if match:
                values[match[1]] = match[2]
        return values

    def ini_value(self, ini_path, section, key):
        """A value of an ini file of the prefix, or None."""
        current = None
        if not ini_path.is_file():
            return None
        for line in ini_path.read_text(encoding="latin-1").splitlines():
            line = line.strip()
            if line.startswith("["):
                current = line[1:-1].lower()
            elif current == section.lower() and "=" in line:
                name, value = line.split("=", 1)
                if name.strip().lower() == key.lower():
                    return value.strip()
        return None

    def driver_background(self, command, **options):
        args = [command]
        for key, value in options.items():
            args += ["--" + key.replace("_", "-"), str(value)]
        return self.start(artifact("saverdrv.exe"), *args)

    def stop_server(self):
        """Ends every program of the prefix and its wineserver, which writes
        the registry out. The next program starts a new session, which is
        Wine's start of Windows: deletions asked for with MoveFileEx's
        MOVEFILE_DELAY_UNTIL_REBOOT happen then."""
        subprocess.run([str(WINE_ENV), "kill", str(self.path)], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def restart(self):
        """Windows restarted: a new session that has run a first program."""
        self.stop_server()
        self.run("reg", "query", r"HKLM\Software\Microsoft")

    def close(self, keep=False):
        subprocess.run([str(WINE_ENV), "kill", str(self.path)], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for popen in self._processes:
            try:
                popen.wait(timeout=10)
            except subprocess.TimeoutExpired:
                popen.kill()
                popen.wait()
        if not keep:
            shutil.rmtree(self.path, ignore_errors=True)


def _child_ignoring_case(folder, name):
    exact = folder / name
    if exact.exists() or not folder.is_dir():
        return exact
    for entry in folder.iterdir():
        if entry.name.lower() == name.lower():
            return entry
    return exact


def wait_until(probe, timeout, interval=0.1):
    """Polls `probe` until it returns a true value or `timeout` s passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


# --- packages ---

def build_package(work_dir, manifest, files=None, name="installer.exe", level=None):
    """Writes `files` ({relative name: bytes or str}) and the manifest
    ({key: value}) into `work_dir`, runs saverpack and returns the
    installer's path."""
    work_dir = Path(work_dir)
    work_dir.mkdir(parents=True, exist_ok=True)
    for relative, content in (files or {}).items():
        target = work_dir / relative
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(content.encode("latin-1") if isinstance(content, str) else content)
    manifest_path = work_dir / (Path(name).stem + ".manifest")
    manifest_path.write_text("".join(f"{k} = {v}\n" for k, v in manifest.items()))
    out = work_dir / name
    command = [str(saverpack_path()), "build", str(manifest_path), "--stub",
               str(artifact("install.exe")), "-o", str(out)]
    if level:
        command += ["--level", level]
    result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(f"saverpack failed ({result.returncode}): {result.stderr.strip()}")
    return out


MARKER_OFFSET = 240
MARKER_MAGIC = b"\x89CRC"


def _write_marker(data, entry, crc, slots):
    at = entry + MARKER_OFFSET
    data[at:at + 12] = MARKER_MAGIC + struct.pack("<IHH", crc, slots, 0)
    data[at + 12:at + 16] = struct.pack("<I", zlib.crc32(bytes(data[at:at + 12])))


def mark_package(data):
    """The installer's bytes with the CRC-32 markers written again for what
    they now hold, as saverpack writes them (package/entry_marker.h): every
    filled slot whose name is at most 239 bytes long gets the CRC-32 of its
    stored bytes; slot 0 the list of marked slots and the CRC-32 of header
    and table with those slots' marker bytes as zeros. A test that patches a
    package calls it, so that the installer's other checks are the ones the
    patch meets (any writer can make valid markers)."""
    data = bytearray(data)
    table = PACKAGE_OFFSET + 68
    slots = 1
    for slot in range(1, 11):
        entry = table + 280 * slot
        if not 0 < data[entry] <= MARKER_OFFSET - 1:
            continue
        start, end = struct.unpack_from("<ii", data, entry + 256)
        stored = bytes(data[start:end + 1]) if 0 <= start <= end + 1 else b""
        _write_marker(data, entry, zlib.crc32(stored), 0)
        slots |= 1 << slot
    _write_marker(data, table, 0, slots)
    directory = bytearray(data[PACKAGE_OFFSET:TABLE_END])
    for slot in range(11):
        if slots >> slot & 1:
            at = 68 + 280 * slot + MARKER_OFFSET
            directory[at:at + 16] = bytes(16)
    _write_marker(data, table, zlib.crc32(bytes(directory)), slots)
    return bytes(data)


def standard_manifest(title="Aqua", preview_kind=0, licence=False, readme=False,
                      preview="preview.bmp", extra=None):
    """A manifest for the files of `support_files` plus the decompression
    library from the build, with optional licence and read-me slots."""
    manifest = {
        "title": title,
        "preview_kind": preview_kind,
        "show_licence": int(licence),
        "show_readme": int(readme),
        "open_display_properties": 0,
        "slot1": artifact("impborl.dll"),
        "slot3": preview,
        "slot6": "engine.scr",
        "slot6.compressed": 1,
        "slot7": "extra.bin",
        "slot8": "data.ssd",
        "slot9": "saver1.dll",
        "slot9.compressed": 1,
        "slot10": "saver2.dll",
        "slot10.compressed": 1,
    }
    if licence:
        manifest["slot4"] = "License.txt"
    if readme:
        manifest["slot5"] = "ReadMe.txt"
    manifest.update(extra or {})
    return manifest


# --- reading a built installer ---

# The installer window's controls by role: control ids are 100 plus the
# creation order (app/layout.h, ControlId). Find a control by id, not by
# caption: the Install button reads "&Install", "Installa" or "Accept and
# Install" depending on the package.
INSTALLER_CONTROLS = {
    100: "licenseScrollBox", 101: "contentPanel", 102: "bmpPanel", 103: "moviePanel1",
    104: "buttonPanel", 105: "labFile", 106: "labCopying", 107: "declineBtn",
    108: "installBtn", 109: "progressBar",
}
INSTALL_BUTTON_ID = 108
STATUS_LABEL_ID = 106


def read_package(installer):
    """The header and slot table of an installer file, or None when the
    file is too short or slot 0 does not describe the padded program image.

    Layout at PACKAGE_OFFSET: header of 68 bytes (previewKind, showLicence,
    showReadMe, openDisplayProperties as u8; title, 64 bytes up to the first
    NUL, Windows-1252), then 11 entries of 280 bytes: name (u8 length +
    bytes), then i32 startOffset, endOffset, entryType, compressed,
    packedSize, extractedSize at 256..279."""
    with open(installer, "rb") as file:
        file.seek(PACKAGE_OFFSET)
        data = file.read(TABLE_END - PACKAGE_OFFSET)
    if len(data) < TABLE_END - PACKAGE_OFFSET:
        return None
    slots = []
    for index in range(11):
        entry = data[68 + index * 280:68 + (index + 1) * 280]
        start, end, kind, compressed, packed, extracted = struct.unpack_from("<6i", entry, 256)
        slots.append({"slot": index, "name": entry[1:1 + entry[0]].decode("cp1252", "replace"),
                      "start": start, "end": end, "type": kind,
                      "compressed": bool(compressed & 0xFF), "stored": end - start + 1,
                      "extracted": extracted})
    image = slots[0]
    if (image["start"], image["end"], image["type"]) != (0, PACKAGE_OFFSET - 1, 6):
        return None
    title = data[4:68].split(b"\0", 1)[0].decode("cp1252", "replace")
    return {"preview_kind": data[0], "show_licence": data[1], "show_readme": data[2],
            "open_display_properties": data[3], "title": title, "slots": slots}


def pe_machine(path):
    """'i386', 'x86-64' or None: the machine of a Windows program file."""
    with open(path, "rb") as file:
        head = file.read(4096)
    if head[:2] != b"MZ" or len(head) < 64:
        return None
    pe = struct.unpack_from("<I", head, 60)[0]
    if pe + 6 > len(head) or head[pe:pe + 4] != b"PE\0\0":
        return None
    return {0x14C: "i386", 0x8664: "x86-64"}.get(struct.unpack_from("<H", head, pe + 4)[0])


def crop(png, rect, out=None):
    """Cuts `rect` ({x, y, w, h} in screen pixels) out of a screenshot."""
    out = Path(out or png)
    geometry = f"{rect['w']}x{rect['h']}+{max(rect['x'], 0)}+{max(rect['y'], 0)}"
    subprocess.run(["convert", str(png), "-crop", geometry, "+repage", str(out)], check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    return out


# --- test cases ---

class InstallerTestCase(unittest.TestCase):
    """A test with its own work folder and fresh prefix; the prefix is
    removed afterwards unless SAVER_E2E_KEEP=1 (logs and packages stay)."""

    installer = None
    # Whether the test's prefix has the stand-in Flash control registered.
    flash_control = True

    def setUp(self):
        self.work = WORK_ROOT / self.id().replace("__main__.", "")
        shutil.rmtree(self.work, ignore_errors=True)
        self.prefix = WinePrefix(self.work, flash_control=self.flash_control)
        self.addCleanup(self._close_prefix)

    def _close_prefix(self):
        self.prefix.close(keep=os.environ.get("SAVER_E2E_KEEP") == "1")

    def package(self, manifest, files, name="installer.exe"):
        return build_package(self.work / "package", manifest, files, name=name)

    def start_installer(self, installer_path):
        """Copies the installer onto drive C: and starts it from there."""
        target = self.prefix.drive_c / "setup" / Path(installer_path).name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(installer_path, target)
        self.installer = self.prefix.start(target, name="install")
        return self.installer

    def assert_installer_exits(self, timeout=30):
        code = self.installer.wait(timeout)
        self.assertIsNotNone(code, f"the installer still runs {timeout} s after its end")
        return code

    def working_copy(self):
        return self.prefix.host_path(r"C:\windows\TEMP\LMX temp\temp1.dat")

    def shot(self, name):
        return screenshot(self.work / f"{name}.png")


# Helpers that set up a prefix's Windows (the Flash control, system.ini, the
# Display control panel) live in prefix_setup.py; the tests reach them here.
from prefix_setup import (  # noqa: E402,F401 (re-exported for the tests)
    DISPLAY_PROPERTIES, FLASH_CLSID, FLASH_CONTROL_FOLDER, install_display_panel,
    open_display_panel, register_flash_control, registered_flash_server, set_ini_value,
    system_ini)

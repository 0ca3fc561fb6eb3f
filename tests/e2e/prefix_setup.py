"""Setting up a test prefix's Windows: the stand-in Flash control, entries
of system.ini, the Display control panel stand-in. Reached through harness,
which re-exports every name here."""

import re
import shutil
from pathlib import Path

import harness

# --- the stand-in Flash control ---

FLASH_CLSID = "{D27CDB6E-AE6D-11CF-96B8-444553540000}"
FLASH_CONTROL_FOLDER = r"C:\windows\system32\Macromed\Flash"


def register_flash_control(prefix, dll="flashctl.dll", folder=FLASH_CONTROL_FOLDER):
    """Copies the stand-in Flash control of the build (`dll`: flashctl.dll,
    or flashctl5.dll, the same control answering version 5.0) into `folder`
    of the prefix and registers it with `regsvr32 /s`. Returns the control's
    C: path. Usable on a template prefix before it is copied."""
    target = prefix.host_path(folder)
    target.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(harness.artifact(dll), target / dll)
    windows_path = folder + "\\" + dll
    code = prefix.run("regsvr32", "/s", windows_path).popen.returncode
    if code != 0:
        raise AssertionError(f"regsvr32 /s {windows_path} failed with {code}")
    return windows_path


def registered_flash_server(prefix):
    """The InprocServer32 path registered for the Flash class id, or None."""
    key = rf"HKCR\CLSID\{FLASH_CLSID}\InprocServer32"
    out = prefix.run("reg", "query", key, "/ve").stdout()
    match = re.search(r"REG_SZ\s+(.+)", out)
    return match.group(1).strip() if match else None


# --- system.ini ---

def _ini_lines(path):
    path = Path(path)
    return path.read_text(errors="replace").splitlines() if path.is_file() else []


def _is_section(line):
    stripped = line.strip()
    return stripped.startswith("[") and stripped.endswith("]")


def _key_of(line):
    return line.split("=", 1)[0].strip().lower() if "=" in line else None


def set_ini_value(path, section, key, value):
    """Sets (or, with value None, removes) `key` in `section`, adding the
    section when needed; keeps every other line and writes CR LF."""
    out, current, section_end, found = [], None, None, False
    wanted = section.lower()
    for line in _ini_lines(path):
        if _is_section(line):
            if current == wanted and section_end is None:
                section_end = len(out)
            current = line.strip()[1:-1].strip().lower()
        elif current == wanted and _key_of(line) == key.lower():
            if value is not None and not found:
                out.append(f"{key}={value}")
            found = True
            continue
        out.append(line)
    if current == wanted and section_end is None:
        section_end = len(out)
    if value is not None and not found:
        if section_end is None:
            out += [f"[{section}]", f"{key}={value}"]
        else:
            out.insert(section_end, f"{key}={value}")
    Path(path).write_bytes(("\r\n".join(out) + "\r\n").encode("latin-1"))


def system_ini(prefix):
    return prefix.windows_dir / "system.ini"


# --- the Display control panel stand-in ---

DISPLAY_PROPERTIES = "Display Properties"


def install_display_panel(prefix):
    """Copies the Display control panel stand-in (desk.cpl of the build)
    into the prefix's system folder, where Control_RunDLL finds it."""
    target = prefix.windows_dir / "system32" / "desk.cpl"
    shutil.copyfile(harness.artifact("desk.cpl"), target)
    return target


def open_display_panel(prefix):
    """Starts the Display control panel on its screen saver page, with the
    command line the installer uses."""
    return prefix.start("rundll32.exe", "shell32.dll,Control_RunDLL", "desk.cpl,,1",
                        name="display-panel")

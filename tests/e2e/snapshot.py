"""A snapshot of a Wine prefix as the uninstall tests compare it: every file
under drive_c with its bytes (a link as its target, never followed), the
registry hives with their keys and values, and system.ini.

Wine rewrites the hives with a time stamp on every key it touched and keeps
a few keys of its own up to date while programs run; `compare` leaves those
out (WINE_OWN_KEYS) and says everything else that differs."""

import hashlib
import os
import re
from pathlib import Path

# Keys that Wine itself rewrites while any program runs: device and font
# caches, the performance counters, the window manager's settings.
WINE_OWN_KEYS = (
    re.compile(r"^hardware\\", re.I),
    re.compile(r"^software\\wine\\", re.I),
    re.compile(r"^system\\currentcontrolset\\(control\\(class|deviceclasses|video)|enum)\\", re.I),
    re.compile(r"^software\\microsoft\\windows nt\\currentversion\\(fonts|perflib)", re.I),
    re.compile(r"^dyndata\\", re.I),
)


def _files(drive_c):
    files = {}
    for root, folders, names in os.walk(drive_c, followlinks=False):
        for name in folders + names:
            path = Path(root) / name
            key = str(path.relative_to(drive_c)).replace("/", "\\").lower()
            if path.is_symlink():
                files[key] = "link -> " + os.readlink(path)
            elif path.is_file():
                files[key] = hashlib.sha256(path.read_bytes()).hexdigest()
            elif path.is_dir():
                files[key] = "folder"
    return files


def _hive(path):
    """{key: {value line, ...}} of a Wine registry file."""
    keys = {}
    current = None
    if not path.is_file():
        return keys
    for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
        if line.startswith("["):
            name = line[1:line.rindex("]")].replace("\\\\", "\\").lower()
            current = keys.setdefault(name, set())
        elif current is not None and line and not line.startswith("#"):
            current.add(line)
    return keys


def take(prefix):
    """The snapshot of a WinePrefix; the wineserver is stopped first so that
    the hives on disk are complete."""
    prefix.stop_server()
    system_ini = prefix.windows_dir / "system.ini"
    return {
        "files": _files(prefix.drive_c),
        "system": _hive(prefix.path / "system.reg"),
        "user": _hive(prefix.path / "user.reg"),
        "system.ini": system_ini.read_bytes() if system_ini.is_file() else None,
    }


def _wine_own(key):
    return any(pattern.search(key) for pattern in WINE_OWN_KEYS)


def compare(before, after, allowed_files=()):
    """The differences between two snapshots, as readable lines; files whose
    path (relative to drive_c, lower case) matches one of `allowed_files`
    (regular expressions) are left out."""
    differences = []
    allowed = [re.compile(p, re.I) for p in allowed_files]
    for path in sorted(set(before["files"]) | set(after["files"])):
        if any(p.search(path) for p in allowed):
            continue
        old, new = before["files"].get(path), after["files"].get(path)
        if old != new:
            differences.append(f"file {path}: {old} -> {new}")
    for hive in ("system", "user"):
        for key in sorted(set(before[hive]) | set(after[hive])):
            if _wine_own(key):
                continue
            old, new = before[hive].get(key), after[hive].get(key)
            if old != new:
                gone = sorted((old or set()) - (new or set()))
                added = sorted((new or set()) - (old or set()))
                differences.append(f"{hive} key {key}: removed {gone} added {added}"
                                   if old is not None and new is not None else
                                   f"{hive} key {key}: {'added' if old is None else 'removed'}")
    if before["system.ini"] != after["system.ini"]:
        differences.append(f"system.ini: {before['system.ini']!r} -> {after['system.ini']!r}")
    return differences

#!/usr/bin/env python3
"""`make try`: runs an installer built by saverpack as an end user would,
on a fresh Wine prefix and a virtual display of its own, and writes what
happened to OUT/report.md and OUT/report.html with screenshots.

usage: try_installer.py INSTALLER [--no-flash] [--out DIR] [--keep-prefix]
  --no-flash      a computer without the Shockwave Flash control: the
                  installer has to run the Flash runtime installer of slot 2
  --out DIR       where the report goes (default build/native/try/<name>)
  --keep-prefix   keep the Wine prefix (OUT/wine/prefix) for inspection

It starts the installer, shoots its window, presses Install (found by its
control id; a silent package installs on its own), answers every box,
opens the Display Properties (the installed screensaver's preview, /p),
runs the screensaver full screen (/s) and its settings (/c), then runs the
uninstall command from the registry as Windows does and answers its boxes.

Exit code 0 when the install and the uninstall both succeeded; 1 when one
of them failed, 2 when the installer could not be tried. The last line
says why.
"""

import argparse
import os
import shutil
import sys
import time
from pathlib import Path

SOURCE_DIR = Path(__file__).resolve().parents[1]
sys.dont_write_bytecode = True
sys.path.insert(0, str(SOURCE_DIR / "tests" / "e2e"))
sys.path.insert(0, str(SOURCE_DIR / "scripts"))

import harness  # noqa: E402
import try_findings  # noqa: E402
import try_saver  # noqa: E402
from try_session import DISMISSIVE, Session, file_changes  # noqa: E402

PROGRAMS_NEEDED = ("saverdrv.exe", "desk.cpl")


class CannotTry(Exception):
    """The installer cannot be tried here (exit code 2)."""


def say(text):
    print(f"try: {text}", flush=True)


def check_installer(path):
    if not path.is_file():
        raise CannotTry(f"{path} is not a file")
    package = harness.read_package(path)
    if package is None:
        raise CannotTry(f"{path} is not an installer built by saverpack (no package table at "
                        f"{harness.PACKAGE_OFFSET:#x})")
    machine, arch = harness.pe_machine(path), harness.wine_arch()
    runs = {"win32": "i386", "win64": "x86-64"}[arch]
    if machine != runs:
        other = "build/win64/bin" if arch == "win64" else "build/win32/bin"
        raise CannotTry(f"{path.name} is a {machine or 'non-Windows'} program, but this "
                        f"machine's Wine runs {runs} programs ({arch}): build the package to "
                        f"try from the parts and stub in {other}")
    needed = PROGRAMS_NEEDED if NO_FLASH else PROGRAMS_NEEDED + (harness.FLASH_CONTROL_DLL,)
    missing = [str(harness.artifact(n)) for n in needed if not harness.artifact(n).is_file()]
    if missing:
        raise CannotTry("not built (run make build): " + ", ".join(missing))
    return package


def install(session, installer, package):
    """Runs the installer up to its end; returns the failure's reason or None."""
    prefix = session.prefix
    target = prefix.drive_c / "setup" / installer.name
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(installer, target)
    say(f"starting C:\\setup\\{installer.name}")
    process = prefix.start(target, name="install")
    session.installer = {"exit_code": None, "window": None}
    windowed = package["preview_kind"] != 4
    reason = None
    if windowed:
        shown = lambda: not process.running() or any(  # noqa: E731
            w["class"] == "TInstallerForm" for w in session.list_windows())
        session.watch("install", shown, 60)
        if process.running():
            press_install(session)
    ended = lambda: not process.running() or failed_window(session) is not None  # noqa: E731
    if not session.watch("install", ended, 180):
        reason = "the installer did not end within 180 s"
    failed = failed_window(session) if process.running() else None
    if failed is not None:
        status = {c["id"]: c for c in failed["controls"]}[harness.STATUS_LABEL_ID]["text"]
        session.installer["failed_window"] = session.shot("install-failed", failed["window"])
        reason = "the install failed; the window says: " + (status or "(no status text)")
        prefix.driver("close", check=False)
        session.watch("install", lambda: not process.running(), 30)
    session.installer["exit_code"] = process.wait(5)
    errors = session.errors("install")
    if errors:
        return "the installer showed an error: " + " ".join(errors[-1].split())
    if windowed and session.installer["window"] is None:
        return "the installer window never showed"
    return reason


def failed_window(session):
    """The installer window's description once a failed install has
    disabled its Install button, else None."""
    info = session.prefix.driver("window-info", timeout_ms=300, check=False)
    if not info.get("ok"):
        return None
    install_button = {c["id"]: c for c in info["controls"]}.get(harness.INSTALL_BUTTON_ID)
    return info if install_button and not install_button["enabled"] else None


def press_install(session):
    prefix = session.prefix
    info = prefix.driver("window-info", timeout_ms=5000, check=False)
    if not info.get("ok"):
        return
    time.sleep(0.5)  # let the preview paint
    session.installer["window"] = info
    session.installer["window_shot"] = session.shot("installer-window", info["window"])
    say("pressing the Install button (control id 108)")
    prefix.driver("click", id=harness.INSTALL_BUTTON_ID, check=False)


def close_opened_windows(session):
    """Closes what the install left open (read-me, Display Properties)."""
    prefix = session.prefix
    for window in session.list_windows():
        if window["caption"] == harness.DISPLAY_PROPERTIES:
            continue  # the preview step uses it and closes it
        prefix.driver("close", check=False, **{"class": window["class"]})


def uninstall(session, command):
    """Runs the uninstall command as the shell runs a registry command;
    returns the command's result from the driver."""
    say(f"running the uninstall command {command}")
    runner = session.prefix.driver_background("run", command_line=command, timeout=150000)
    session.watch("uninstall", lambda: not runner.running(), 180, settle=3)
    lines = runner.lines()
    return lines[-1] if lines else {"ok": False, "error": "no answer from the driver"}


def try_installer(installer, out):
    package = check_installer(installer)
    os.environ.pop("SAVER_E2E_DISPLAY_STATE", None)  # a display of its own
    say(f"{installer.name}: package \"{package['title']}\", preview kind "
        f"{package['preview_kind']}; {harness.wine_arch()} Wine on display {harness.display()}")
    session = Session(out, flash_control=not NO_FLASH)
    findings = try_findings.Findings(installer, package, NO_FLASH)
    try:
        harness.install_display_panel(session.prefix)
        findings.before(session)
        findings.install_failure = install(session, installer, package)
        close_opened_windows(session)
        findings.after_install(session)
        if findings.engine_installed(session):
            try_saver.preview(session, findings)
            try_saver.full_screen(session, findings)
            try_saver.settings(session, findings)
        command = findings.uninstall_command()
        if command:
            findings.uninstall_result = uninstall(session, command)
            session.watch("uninstall", findings.engine_gone_probe(session), 20,
                          answers=DISMISSIVE)
        findings.after_uninstall(session)
    finally:
        session.prefix.close(keep=KEEP_PREFIX)
        harness.stop_display()
    findings.write_report(session, file_changes)
    return findings


def main(argv):
    global NO_FLASH, KEEP_PREFIX
    parser = argparse.ArgumentParser(description="Try an installer under Wine.")
    parser.add_argument("installer", type=Path)
    parser.add_argument("--no-flash", action="store_true")
    parser.add_argument("--out", type=Path)
    parser.add_argument("--keep-prefix", action="store_true")
    args = parser.parse_args(argv[1:])
    NO_FLASH, KEEP_PREFIX = args.no_flash, args.keep_prefix
    installer = args.installer.resolve()
    out = (args.out or harness.NATIVE_DIR / "try" / installer.stem).resolve()
    for old in ("report.md", "report.html"):
        (out / old).unlink(missing_ok=True)
    for old in ("shots", "wine"):
        shutil.rmtree(out / old, ignore_errors=True)
    try:
        findings = try_installer(installer, out)
    except CannotTry as reason:
        print(f"try: cannot try the installer: {reason}", flush=True)
        return 2
    say(f"report: {out / 'report.md'} and {out / 'report.html'}")
    if findings.failure():
        print(f"try: FAILED: {findings.failure()}", flush=True)
        return 1
    print(f"try: OK: \"{findings.package['title']}\" installed and uninstalled", flush=True)
    return 0


NO_FLASH = False
KEEP_PREFIX = False

if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""`make demo`: builds the sample installer from samples/ with saverpack,
runs it under Wine on a virtual display, takes screenshots, presses
"Accept and Install" and reports what happened.

Everything lands in build/native/demo/ (the prefix stays for inspection).
"""

import shutil
import struct
import subprocess
import sys
import time
from pathlib import Path

SOURCE_DIR = Path(__file__).resolve().parents[1]
sys.dont_write_bytecode = True
sys.path.insert(0, str(SOURCE_DIR / "tests" / "e2e"))

import harness  # noqa: E402
from make_demo_files import main as make_demo_files  # noqa: E402

DEMO_DIR = harness.NATIVE_DIR / "demo"
SAMPLES = SOURCE_DIR / "samples"


def say(text):
    print(f"demo: {text}", flush=True)


def build_installer():
    shutil.rmtree(DEMO_DIR / "package", ignore_errors=True)
    package_dir = DEMO_DIR / "package"
    make_demo_files(["make_demo_files", str(package_dir)])
    for name in ("demo.manifest", "data.manifest", "License.txt", "ReadMe.txt"):
        shutil.copyfile(SAMPLES / name, package_dir / name)
    shutil.copyfile(harness.artifact("impborl.dll"), package_dir / "impborl.dll")
    shutil.copyfile(harness.artifact("flashax.exe"), package_dir / "flashax.exe")
    # The real engine stand-in, a Flash preview and the screen saver's movie
    # (data file record 1) made by the project's SWF writer replace the
    # generated filler of those files.
    shutil.copyfile(harness.artifact("engine.scr"), package_dir / "engine.scr")
    for kind, name in (("demo", "preview.swf"), ("saver", "movie.swf")):
        subprocess.run([sys.executable, str(SAMPLES / "make_swf.py"), kind,
                        str(package_dir / name)], check=True, stdin=subprocess.DEVNULL)
    installer = DEMO_DIR / "Aqua-setup.exe"
    subprocess.run([str(harness.saverpack_path()), "build", str(package_dir / "demo.manifest"),
                    "--stub", str(harness.artifact("install.exe")), "-o", str(installer)],
                   check=True, stdin=subprocess.DEVNULL)
    subprocess.run([str(harness.saverpack_path()), "list", str(installer)], check=True,
                   stdin=subprocess.DEVNULL)
    return installer


def describe_window(info):
    client = info["client"]
    say(f"window class {info['class']}, caption {info['caption']!r}, topmost {info['topmost']}, "
        f"client {client['w']} x {client['h']}")
    for control in info["controls"]:
        if control["visible"]:
            rect = control["rect"]
            text = control["text"][:40].replace("\r\n", " | ")
            say(f"  {control['class']:<18} id {control['id']:<5} "
                f"{rect['x']},{rect['y']} {rect['w']}x{rect['h']}  {text!r}")


def report_boxes(prefix, shots):
    """Dismisses every box that shows up, printing its text; returns their count."""
    count = 0
    while True:
        box = prefix.driver("wait-box", timeout_ms=3000, check=False)
        if not box.get("ok"):
            return count
        count += 1
        say(f"message box {box['caption']!r}: {box['text']!r}")
        shots.append(harness.screenshot(DEMO_DIR / f"box-{count}.png"))
        prefix.driver("press-box", check=False)


def packaged_data_header(installer):
    """The first 1240 bytes of the data file in the installer's slot 8
    (startOffset, an i32 at byte 256 of the slot's 280-byte entry)."""
    data = installer.read_bytes()
    entry = harness.PACKAGE_OFFSET + 68 + 8 * 280
    start = struct.unpack_from("<i", data, entry + 256)[0]
    return data[start:start + 1240]


def run_installer(installer):
    prefix = harness.WinePrefix(DEMO_DIR / "run")
    target = prefix.drive_c / "setup" / installer.name
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(installer, target)
    say(f"running C:\\setup\\{installer.name} in prefix {prefix.path} on display "
        f"{harness.display()}")
    process = prefix.start(target, name="installer")
    shots = []
    window = prefix.driver("window-info", check=False)
    if not window.get("ok"):
        say("the installer window did not appear")
        report_boxes(prefix, shots)
    else:
        describe_window(window)
        shots.append(harness.screenshot(DEMO_DIR / "window.png"))
        say('pressing "Accept and Install"')
        prefix.driver("click", text="Accept and Install", check=False)
        report_boxes(prefix, shots)
    code = process.wait(60)
    say("the installer ended" + (f" with exit code {code}" if code is not None else
                                 " NOT: it still runs after 60 s; stopping it"))
    saver_folder = prefix.windows_dir / "Aqua dir"
    if saver_folder.is_dir():
        say(f"saver folder {saver_folder}: " + ", ".join(sorted(p.name for p in
                                                                 saver_folder.iterdir())))
    engine = prefix.windows_dir / "Aqua.scr"
    say(f"engine {engine}: " + ("present" if engine.is_file() else "absent"))
    system_ini = prefix.windows_dir / "system.ini"
    entries = [line.strip() for line in system_ini.read_text(errors="replace").splitlines()
               if line.upper().startswith("SCRNSAVE.EXE")]
    say("system.ini: " + (", ".join(entries) if entries else "no SCRNSAVE.EXE entry"))
    key = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Aqua"
    values = prefix.registry_values(key)
    say(f"uninstall entry {key}: " + (", ".join(f"{k} = {v!r}" for k, v in sorted(values.items()))
                                      if values else "absent"))
    saver_dat = saver_folder / "saver.dat"
    if saver_dat.is_file():
        data = saver_dat.read_bytes()
        say(f"saver.dat: {len(data)} bytes, the data file's header: "
            + ("yes" if data == packaged_data_header(installer) else "NO"))
    else:
        say("saver.dat: absent")
    if engine.is_file():
        run_screensaver(prefix, shots)
    if values:
        uninstall(prefix, values["UninstallString"], saver_folder, engine)
    prefix.close(keep=True)
    return shots


def run_screensaver(prefix, shots):
    """Starts the installed screensaver full screen, shoots it, ends it."""
    say(r"running C:\windows\Aqua.scr /s")
    saver = prefix.start(r"C:\windows\Aqua.scr", "/s", name="screensaver")
    found = prefix.driver("find-window", check=False, **{"class": "SaverEngineWindow"})
    if not found.get("ok"):
        say("the screensaver window did not appear")
        return
    time.sleep(2)
    shots.append(harness.screenshot(DEMO_DIR / "screensaver.png"))
    prefix.driver("key", check=False, **{"class": "SaverEngineWindow"})
    code = saver.wait(30)
    say("the screensaver ended on a key" + (f" (exit code {code})" if code is not None else
                                            " NOT: it still runs"))


def uninstall(prefix, command_line, saver_folder, engine):
    """Runs the uninstall command as the registry holds it and answers Yes."""
    say(f"running the uninstall command {command_line!r}")
    runner = prefix.driver_background("run", command_line=command_line, timeout=120000)
    for button in (6, 1):  # Yes to "Remove Aqua Screen Saver?", then OK
        box = prefix.driver("wait-box", timeout_ms=30000, check=False)
        if not box.get("ok"):
            break
        say(f"message box: {box['text']!r}")
        prefix.driver("press-box", button=button, check=False)
    runner.wait(60)
    harness.wait_until(lambda: not engine.exists(), 15)
    say("after the uninstall: saver folder " + ("gone" if not saver_folder.exists() else "STILL THERE")
        + ", engine " + ("gone" if not engine.exists() else "STILL THERE") + ", uninstall entry "
        + ("gone" if prefix.registry_values(
            r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Aqua") is None
           else "STILL THERE"))


def main():
    harness.require_build("install.exe", "impborl.dll", "saverdrv.exe")
    harness.wine_arch()
    DEMO_DIR.mkdir(parents=True, exist_ok=True)
    installer = build_installer()
    shots = run_installer(installer)
    say(f"installer: {installer}")
    for shot in shots:
        say(f"screenshot: {shot}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

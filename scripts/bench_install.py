#!/usr/bin/env python3
"""Install speed, side by side: the same payload installed under Wine by our
silent package (kind 4) and by an NSIS installer (makensis, its default
compressor, run with /S), timed with hyperfine in alternating rounds; then
the time from start to the window shown for the demo package, with a bitmap
and with a Flash preview (scripts/bench_window.py).

usage: bench_install.py [ROUNDS] [RUNS_PER_ROUND]     (default 12 rounds of 2;
                                                       the window: at least 12)

Prints a markdown section: the machine, the payload, both installers' sizes,
the median install times, their ratio, and the window times. Needs the
native and Windows builds (make build), makensis (Debian's nsis package)
and hyperfine (scripts/install-deps.sh).

The payload is the screen saver as a package carries it: the engine stand-in,
two support libraries and an extra file (real PE files of this build), a
saver data file without records, the preview bitmap and the codec library.
Both installers put the files in the same places and write the same
system.ini entry and uninstall entry; every timed run starts from a prefix
without the installed files (hyperfine --prepare removes them).
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
from datetime import datetime, timezone
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(SOURCE / "tests" / "e2e"))
import harness  # noqa: E402
import bench_window  # noqa: E402

OURS, NSIS = "BenchOurs", "BenchNsis"
WORK = harness.NATIVE_DIR / "bench-install"


def payload():
    """{slot file name: bytes}: real program files, as a screen saver has."""
    data = bytearray(1240)  # a saver data file with no records: its header
    data[0:4] = b"SVRS"
    return {
        "engine.scr": harness.artifact("engine.scr").read_bytes(),
        "saver1.dll": harness.artifact("desk.cpl").read_bytes(),
        "saver2.dll": harness.artifact("saverdrv.exe").read_bytes(),
        "extra.bin": harness.artifact("install.exe").read_bytes(),
        "data.ssd": bytes(data),
        "preview.bmp": harness.bitmap_bytes(),
    }


def build_ours(files):
    manifest = harness.standard_manifest(title=OURS, preview_kind=4)
    return harness.build_package(WORK / "ours", manifest, files, name="ours.exe")


NSIS_SCRIPT = r"""Unicode true
Target {target}
Name "{title}"
OutFile "{out}"
RequestExecutionLevel admin
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\{title}"
Section
  SetOutPath "$WINDIR"
  File "/oname={title}.scr" "engine.scr"
  File "impborl.dll"
  SetOutPath "$WINDIR\{title} dir"
  File "saver1.dll"
  File "saver2.dll"
  File "extra.bin"
  File "/oname=saver.dat" "data.ssd"
  File "/oname=installer.BMP" "preview.bmp"
  GetFullPathName /SHORT $0 "$WINDIR\{title}.scr"
  WriteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE" "$0"
  WriteRegStr HKLM "${{KEY}}" "DisplayName" "{title} Screen Saver"
  WriteRegStr HKLM "${{KEY}}" "UninstallString" "$WINDIR\{title}.scr /u"
SectionEnd
"""


def build_nsis(files):
    folder = WORK / "nsis"
    folder.mkdir(parents=True, exist_ok=True)
    for name, content in files.items():
        (folder / name).write_bytes(content)
    shutil.copyfile(harness.artifact("impborl.dll"), folder / "impborl.dll")
    target = "x86-unicode" if harness.wine_arch() == "win32" else "amd64-unicode"
    out = folder / "nsis.exe"
    (folder / "bench.nsi").write_text(NSIS_SCRIPT.format(target=target, title=NSIS, out=out.name))
    subprocess.run(["makensis", "-V2", "bench.nsi"], cwd=folder, check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    return out


def cleanup_command(prefix):
    """What --prepare runs: removes both installations' files."""
    windows = prefix.windows_dir
    paths = [windows / f"{t}{suffix}" for t in (OURS, NSIS) for suffix in (".scr", " dir")]
    return "rm -rf " + " ".join(f"'{p}'" for p in paths)


def check_install(prefix, title, program, *args):
    """One untimed run, to make sure the installer really installs."""
    process = prefix.run(program, *args, timeout=120)
    if process.popen.returncode != 0 or not (prefix.windows_dir / f"{title}.scr").is_file():
        raise SystemExit(f"bench-install: {program} did not install {title}")


def keep_wine_running(prefix):
    """A persistent wineserver: otherwise every run that starts after the
    server's idle timeout would pay for starting it and the prefix's
    services again."""
    server = next(path for path in ("/usr/lib/wine/wineserver64", "/usr/lib/wine/wineserver32",
                                    "/usr/lib/wine/wineserver") if Path(path).is_file())
    subprocess.run([server, "-p"], env=prefix.env(), check=True, stdin=subprocess.DEVNULL)


def time_rounds(prefix, commands, rounds, runs):
    env = prefix.env()
    times = {name: [] for name in commands}
    for round_index in range(rounds):
        export = WORK / f"round-{round_index}.json"
        argv = ["hyperfine", "--runs", str(runs), "--prepare", cleanup_command(prefix),
                "--export-json", str(export), "--style", "none"]
        if round_index == 0:
            argv += ["--warmup", "2"]
        # Alternate which command goes first.
        order = list(commands.items())
        if round_index % 2:
            order.reverse()
        for name, command in order:
            argv += ["-n", name, command]
        subprocess.run(argv, env=env, check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL)
        for result in json.loads(export.read_text())["results"]:
            times[result["command"]] += result["times"]
    return times


def report(files, ours, nsis, times, rounds, runs, wine_version):
    median = {name: statistics.median(values) for name, values in times.items()}
    ratio = median["ours"] / median["nsis"]
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), "unknown")
    print("## Install speed (`make bench-install`)\n")
    print(f"- Date: {datetime.now(timezone.utc):%Y-%m-%d %H:%M} UTC")
    print(f"- Machine: {os.cpu_count()} cores, {cpu}; load average at start: "
          f"{' '.join(open('/proc/loadavg').read().split()[:3])}")
    payload_bytes = sum(map(len, files.values())) + harness.artifact("impborl.dll").stat().st_size
    print(f"- Wine: {harness.wine_arch()} build, {wine_version}")
    print(f"- Payload: {len(files) + 1} files, {payload_bytes} bytes")
    print(f"- {rounds} alternating rounds of {runs} runs each (hyperfine), "
          f"{len(times['ours'])} runs per installer\n")
    print("| installer | size (bytes) | median install (ms) | min (ms) | max (ms) |")
    print("|---|---:|---:|---:|---:|")
    labels = {"ours": ("ours, silent package (kind 4)", ours.stat().st_size),
              "nsis": ("NSIS, default compressor, /S", nsis.stat().st_size),
              "start": ("baseline: a program that does nothing (saverdrv list)", "")}
    for name, (label, size) in labels.items():
        values = times[name]
        print(f"| {label} | {size} | {median[name] * 1000:.0f} | "
              f"{min(values) * 1000:.0f} | {max(values) * 1000:.0f} |")
    print(f"\nRatio of the medians, ours / NSIS: {ratio:.2f} "
          f"({'no slower' if ratio <= 1 else 'slower'} than NSIS); without the baseline "
          f"(starting a Wine process): {(median['ours'] - median['start']) * 1000:.0f} ms against "
          f"{(median['nsis'] - median['start']) * 1000:.0f} ms.")


def main(argv):
    rounds = int(argv[1]) if len(argv) > 1 else 12
    runs = int(argv[2]) if len(argv) > 2 else 2
    harness.require_build("engine.scr", "desk.cpl", "saverdrv.exe", "install.exe", "impborl.dll",
                          "flashax.exe", harness.FLASH_CONTROL_DLL)
    shutil.rmtree(WORK, ignore_errors=True)
    files = payload()
    ours = build_ours(files)
    nsis = build_nsis(files)
    demos = bench_window.build_demo_packages(WORK / "demo")
    prefix = harness.WinePrefix(WORK / "run")
    try:
        keep_wine_running(prefix)
        setup = prefix.drive_c / "bench"
        setup.mkdir()
        shutil.copyfile(ours, setup / "ours.exe")
        shutil.copyfile(nsis, setup / "nsis.exe")
        check_install(prefix, OURS, r"C:\bench\ours.exe")
        check_install(prefix, NSIS, r"C:\bench\nsis.exe", "/S")
        driver = prefix.windows_path(harness.artifact("saverdrv.exe"))
        commands = {"ours": f"'{prefix.loader}' 'C:\\bench\\ours.exe'",
                    "nsis": f"'{prefix.loader}' 'C:\\bench\\nsis.exe' /S",
                    "start": f"'{prefix.loader}' '{driver}' list"}
        times = time_rounds(prefix, commands, rounds, runs)
        window_times = bench_window.time_rounds(prefix, demos, max(rounds, 12))
        wine_version = subprocess.run([prefix.loader, "--version"], capture_output=True,
                                      text=True).stdout.strip()
    finally:
        prefix.close()
    report(files, ours, nsis, times, rounds, runs, wine_version)
    bench_window.report(window_times, max(rounds, 12))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

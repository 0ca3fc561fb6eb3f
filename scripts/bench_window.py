"""Time to the window shown, for `make bench-install` (scripts/bench_install.py).

The demo package of samples/ (a Flash movie preview with a licence and a
read-me) and the same package with a bitmap preview are started under Wine;
each run's time is from the moment the Wine loader is started to the
installer's own "window shown" start-up mark, taken right after the window
was shown and painted (SAVER_STARTUP_TRACE, platform/win32/startup_trace.h:
marks carry the wall clock, which under Wine is the host's). A program that
does nothing (saverdrv list) is timed the same way, from start to its end.
The three alternate in every round; every run starts without the files an
earlier run's preparation left (saver folder, codec library, working copy).
"""

import re
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

import harness
from make_demo_files import main as make_demo_files

SAMPLES = harness.SOURCE_DIR / "samples"
TITLE = "Aqua"  # the demo's title: both packages install into "Aqua dir"
SHOWN_MARK = "window shown"
GOAL_MS = 300


def build_demo_packages(folder):
    """{name: installer path}: the demo as `make demo` builds it, and the
    same package with the demo's preview bitmap instead of the movie."""
    folder = Path(folder)
    make_demo_files(["make_demo_files", str(folder)])
    for name in ("demo.manifest", "data.manifest", "License.txt", "ReadMe.txt"):
        shutil.copyfile(SAMPLES / name, folder / name)
    for name in ("impborl.dll", "flashax.exe", "engine.scr"):
        shutil.copyfile(harness.artifact(name), folder / name)
    for kind, name in (("demo", "preview.swf"), ("saver", "movie.swf")):
        subprocess.run([sys.executable, str(SAMPLES / "make_swf.py"), kind, str(folder / name)],
                       check=True, stdin=subprocess.DEVNULL)
    manifest = (folder / "demo.manifest").read_text()
    bitmap = re.sub(r"(?m)^preview_kind = 2\b", "preview_kind = 1", manifest)
    bitmap = re.sub(r"(?m)^slot3 = .*$", "slot3 = preview.bmp", bitmap)
    bitmap = re.sub(r"(?m)^slot3\.name = .*\n", "", bitmap)
    if bitmap.count("preview_kind = 1") != 1 or "preview.swf" in bitmap:
        raise SystemExit("bench-install: samples/demo.manifest changed; update bench_window.py")
    (folder / "bitmap.manifest").write_text(bitmap)
    packages = {}
    for name, manifest_name in (("flash", "demo.manifest"), ("bitmap", "bitmap.manifest")):
        out = folder / f"{name}.exe"
        subprocess.run([str(harness.saverpack_path()), "build", str(folder / manifest_name),
                        "--stub", str(harness.artifact("install.exe")), "-o", str(out)],
                       check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        packages[name] = out
    return packages


def _clean(prefix):
    for path in (rf"C:\windows\{TITLE} dir", r"C:\windows\TEMP\LMX temp"):
        shutil.rmtree(prefix.host_path(path), ignore_errors=True)
    prefix.host_path(r"C:\windows\impborl.dll").unlink(missing_ok=True)


def _shown_at(trace):
    """The wall clock (s) of the "window shown" mark, or None."""
    try:
        text = trace.read_text(errors="replace")
    except FileNotFoundError:
        return None
    for line in text.splitlines():
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[2].strip() == SHOWN_MARK:
            return float(parts[0]) / 1000
    return None


def time_window(prefix, program, trace):
    """Seconds from starting `program` to its window shown; the installer
    is then closed (Decline's path: nothing is installed)."""
    _clean(prefix)
    trace.unlink(missing_ok=True)
    env = dict(prefix.env(), SAVER_STARTUP_TRACE=prefix.windows_path(trace))
    start = time.time()
    process = subprocess.Popen([prefix.loader, program], env=env, cwd=prefix.work_dir,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    shown = None
    while shown is None and process.poll() is None and time.time() < start + 60:
        time.sleep(0.002)
        shown = _shown_at(trace)
    if shown is None:
        process.kill()
        raise SystemExit(f"bench-install: {program} showed no window")
    prefix.driver("close")
    if process.wait(60) is None:
        raise SystemExit(f"bench-install: {program} did not end after its window was closed")
    return shown - start


def time_nothing(prefix, driver):
    start = time.time()
    subprocess.run([prefix.loader, driver, "list"], env=prefix.env(), cwd=prefix.work_dir,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True)
    return time.time() - start


def time_rounds(prefix, packages, rounds):
    """{name: [seconds]} for each package and "nothing", `rounds` rounds,
    the order rotating from round to round; one untimed run of each first."""
    setup = prefix.drive_c / "bench"
    setup.mkdir(exist_ok=True)
    programs = {}
    for name, path in packages.items():
        shutil.copyfile(path, setup / path.name)
        programs[name] = rf"C:\bench\{path.name}"
    driver = prefix.windows_path(harness.artifact("saverdrv.exe"))
    trace = prefix.work_dir / "startup-trace.txt"
    runs = {name: (lambda p=program: time_window(prefix, p, trace))
            for name, program in programs.items()}
    runs["nothing"] = lambda: time_nothing(prefix, driver)
    for run in runs.values():
        run()
    times = {name: [] for name in runs}
    names = list(runs)
    for round_index in range(rounds):
        shift = round_index % len(names)
        for name in names[shift:] + names[:shift]:
            times[name].append(runs[name]())
    _clean(prefix)
    return times


def report(times, rounds):
    median = {name: statistics.median(values) * 1000 for name, values in times.items()}
    print(f"\n### Time to the window shown ({rounds} alternating rounds)\n")
    print("| program | median (ms) | min (ms) | max (ms) | over the do-nothing program (ms) |")
    print("|---|---:|---:|---:|---:|")
    labels = {"bitmap": "demo with a bitmap preview and the licence",
              "flash": "demo with the Flash preview and the licence (`make demo`'s package)",
              "nothing": "baseline: a program that does nothing (saverdrv list), to its end"}
    for name, label in labels.items():
        values = [v * 1000 for v in times[name]]
        over = "" if name == "nothing" else f"{median[name] - median['nothing']:.0f}"
        print(f"| {label} | {median[name]:.0f} | {min(values):.0f} | {max(values):.0f} | {over} |")
    worst = max(median["bitmap"], median["flash"]) - median["nothing"]
    verdict = "met" if worst <= GOAL_MS else "not met"
    print(f"\nGoal, the window within {GOAL_MS} ms of the do-nothing program: {verdict} "
          f"(the slower of the two is {worst:.0f} ms over).")

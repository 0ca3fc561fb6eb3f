#!/usr/bin/env python3
"""What the entry check costs at start-up: the demo installer (`make demo`'s
package) started under Wine, two copies with their CRC-32 markers and two
whose markers are wiped (a package the installer does not check), in
rotating rounds; the two copies of each kind show how far identical
installers differ by noise alone. Each start is timed by the test driver (`saverdrv start-time`: from
CreateProcess until the installer's window is visible, polled every
millisecond, then the program is ended).

usage: bench_startup_check.py [ROUNDS]     (default 15)

Prints a markdown section: the machine, the package, the median and the
spread of both start-ups, and their difference. Needs the native and Windows
builds (make build).
"""

import os
import shutil
import statistics
import sys
from datetime import datetime, timezone
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(SOURCE / "tests" / "e2e"))
sys.path.insert(0, str(SOURCE / "scripts"))
import harness  # noqa: E402
import demo  # noqa: E402

WORK = harness.NATIVE_DIR / "bench-startup-check"


def wipe_markers(data):
    """The installer with the 16 marker bytes of every slot's name field zeroed."""
    data = bytearray(data)
    for slot in range(11):
        at = harness.PACKAGE_OFFSET + 68 + 280 * slot + 240
        data[at:at + 16] = bytes(16)
    return bytes(data)


def start_time(prefix, windows_path):
    result = prefix.driver("start-time", timeout_ms=60000, **{"command-line": f'"{windows_path}"'})
    return result["us"] / 1000.0


def main(argv):
    rounds = int(argv[1]) if len(argv) > 1 else 15
    demo.DEMO_DIR = WORK
    installer = demo.build_installer()
    shutil.rmtree(WORK / "run", ignore_errors=True)
    prefix = harness.WinePrefix(WORK / "run")
    setup = prefix.drive_c / "setup"
    setup.mkdir(parents=True, exist_ok=True)
    kinds = {}
    for kind, data in (("checked", installer.read_bytes()),
                       ("unchecked", wipe_markers(installer.read_bytes()))):
        for copy in ("", "2"):
            (setup / f"{kind}{copy}.exe").write_bytes(data)
            kinds[kind + (", again" if copy else "")] = rf"C:\setup\{kind}{copy}.exe"
    times = {kind: [] for kind in kinds}
    for kind, path in kinds.items():  # warm-up: caches, first-run prefix work
        start_time(prefix, path)
    for round_number in range(rounds):
        order = list(kinds)[round_number % 4:] + list(kinds)[:round_number % 4]
        for kind in order:
            times[kind].append(start_time(prefix, kinds[kind]))
    prefix.close()

    def paired(a, b):
        return statistics.median(x - y for x, y in zip(times[a], times[b]))
    entries = installer.stat().st_size - harness.PACKAGE_OFFSET - 3148
    print("## Start-up cost of the entry check")
    print()
    print(f"- Date: {datetime.now(timezone.utc):%Y-%m-%d %H:%M UTC}")
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), "?")
    print(f"- Machine: {os.cpu_count()} cores, {cpu}; Wine ({harness.wine_arch()})")
    print(f"- Load average at start: {' '.join(open('/proc/loadavg').read().split()[:3])}")
    print(f"- Package: the demo installer, {installer.stat().st_size} bytes, "
          f"{entries} bytes of entries; {rounds} rounds after one warm-up start each")
    print()
    print("| installer | median start-up (ms) | fastest | slowest |")
    print("|---|---|---|---|")
    for kind in kinds:
        print(f"| {kind} ({'markers' if kind.startswith('checked') else 'markers wiped'}) | "
              f"{statistics.median(times[kind]):.1f} | {min(times[kind]):.1f} | "
              f"{max(times[kind]):.1f} |")
    print()
    base = statistics.median(times["unchecked"] + times["unchecked, again"])
    cost = statistics.median(x - y for kind in ("", ", again")
                             for x, y in zip(times["checked" + kind], times["unchecked" + kind]))
    print(f"Median of the differences within a round: checked minus unchecked {cost:+.1f} ms "
          f"({100.0 * cost / base:+.1f}% of the unchecked median {base:.1f} ms); identical "
          f"copies: checked {paired('checked', 'checked, again'):+.1f} ms, unchecked "
          f"{paired('unchecked', 'unchecked, again'):+.1f} ms.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

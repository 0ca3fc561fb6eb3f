#!/usr/bin/env bash
# The stand-in Flash control's drawing benchmark: builds flash_bench.exe
# (the Windows preset of the Wine that runs here), writes the costly movies
# (samples/make_stress_swf.py) and the demo movie, and plays each under
# Wine as the control does: frames at the movie's rate, a frame drawn only
# when the picture changes, within the per-frame limits, into a 640 x 480
# bitmap. Prints markdown tables with the machine and the date: ms per
# drawn frame (planning included), frames drawn per second of playing.
# A second table shows what a frame of the lighter movies costs without the
# limits (the heavier ones would take minutes).
#
# Usage: scripts/bench-flash.sh [SECONDS]     (of playing per movie, default 5)
# Environment: SAVER_FLASH_BENCH_DIR (default build/bench-flash)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
work=${SAVER_FLASH_BENCH_DIR:-$root/build/bench-flash}
seconds=${1:-5}
cd "$root"

arch=$(scripts/wine-env.sh arch)
[ -f "build/$arch/CMakeCache.txt" ] || cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" -j"$(nproc)" --target flash_bench >/dev/null
mkdir -p "$work/movies"
python3 -B samples/make_stress_swf.py "$work/movies"
scripts/wine-env.sh template "$work/prefix" >/dev/null

loader=$(scripts/wine-env.sh loader)
bench="$root/build/$arch/bin/flash_bench.exe"
run() {
  WINEDEBUG=-all WINEPREFIX="$work/prefix" "$loader" "$bench" "$@" 2>/dev/null </dev/null
}

movies=(demo.swf star-2000.swf star-10000.swf star-30000.swf star-250000.swf star-spin.swf
        stroke.swf placements.swf)
echo "## Flash control drawing benchmark"
echo
echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "- Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "- Wine: $("$loader" --version) ($arch), ${seconds} s of playing per movie"
echo "- Load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
(cd "$work/movies" && run --seconds "$seconds" "${movies[@]}")
echo
echo "Without the per-frame limits:"
echo
(cd "$work/movies" && run --unlimited --seconds 1 demo.swf star-2000.swf)

#!/usr/bin/env bash
# Builds the codec benchmark (the `bench` preset, Release) and runs it:
# ours against StormLib, libdynamite and memcpy on about 16 MB of 32-bit PE
# files from this machine, then the saver data file's unpacking of about
# 20 MB against the codec alone, printed as markdown tables with the machine
# (cores, CPU model) and the date.
#
# Then the CRC-32 of the entry checks: natively, and under Wine with the
# i686 build (the stub's -Os) on the demo installer when `make demo` or
# scripts/bench_startup_check.py has built it; then the builder's peak
# memory (scripts/bench-builder.sh).
#
# Usage: scripts/bench.sh [CORPUS_MB] [RUNS]     (default 16 MB, best of 5)
# Environment: SAVER_BENCH_BUILD_DIR (default build/bench)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${SAVER_BENCH_BUILD_DIR:-$root/build/bench}
cd "$root"
cmake --preset bench -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target codec_bench saver_data_bench crc_bench >/dev/null

echo "## Codec benchmark"
echo
echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "- Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "- Load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
"$build/bin/codec_bench" "${1:-16}" "${2:-5}"
"$build/bin/saver_data_bench" 20 "${2:-5}"
echo
echo "### CRC-32 (native, Release)"
echo
"$build/bin/crc_bench" 64 "${2:-5}"
win_bench=$root/build/win32/bin/crc_bench.exe
demo=$root/build/native/demo/Aqua-setup.exe
if [ -f "$win_bench" ] && command -v wine >/dev/null; then
  echo
  echo "### CRC-32 (i686, -Os, under Wine)"
  echo
  cp "$win_bench" "$build/crc_bench.exe"
  demo_arg=""
  if [ -f "$demo" ]; then cp "$demo" "$build/demo.exe"; demo_arg=demo.exe; fi
  (cd "$build" && WINEDEBUG=-all wine crc_bench.exe 16 "${2:-5}" $demo_arg 2>/dev/null)
fi
echo
"$root/scripts/bench-builder.sh"

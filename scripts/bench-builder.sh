#!/usr/bin/env bash
# Peak memory of saverpack building an installer around one large entry,
# stored and imploded, of `data build` around one large record, and of an
# installer whose slot 8 is a data manifest with that record, measured with
# /usr/bin/time -v (maximum resident set size) on the Release build of the
# `bench` preset. Prints a markdown table.
#
# Usage: scripts/bench-builder.sh [ENTRY_MB...]     (default: 30 300)
# Environment: SAVER_BENCH_BUILD_DIR (default build/bench)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${SAVER_BENCH_BUILD_DIR:-$root/build/bench}
cd "$root"
cmake --preset bench -B "$build" >/dev/null
cmake --build "$build" -j2 --target saverpack >/dev/null
tool=$build/bin/saverpack

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# The engine: "MZ", the PE header at 0x40 for i386 (PE32), an executable
# image; the stub: the same with the installer stub's marker.
{
  printf 'MZ'; head -c 58 /dev/zero; printf '\100\000\000\000'
  printf 'PE\000\000\114\001'; head -c 16 /dev/zero; printf '\002\001\013\001'
  head -c 4000 /dev/urandom
} > small.bin
{ cat small.bin; printf 'saverpack installer stub, package at 552960'; } > stub.exe

# manifest COMPRESSED [SLOT8]: a silent package whose slot 7 is entry.bin.
manifest() {
  printf '%s\n' "title = Bench" "preview_kind = 4" "slot1 = small.bin" "slot6 = small.bin" \
    "slot7 = entry.bin" "slot7.compressed = $1" "slot8 = ${2:-small.bin}" \
    "slot9 = small.bin" "slot9.name = saver1.dll" "slot10 = small.bin" "slot10.name = saver2.dll"
}

# peak MB SECONDS of one run of saverpack with the given arguments.
run_measured() {
  /usr/bin/time -v "$tool" "$@" > /dev/null 2> time.log
  local kb seconds
  kb=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' time.log)
  seconds=$(sed -n 's/^[[:space:]]*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' time.log)
  awk -v kb="$kb" -v t="$seconds" 'BEGIN { printf "%.1f | %s", kb / 1024, t }'
}

measure() {
  manifest "$1" > m.txt
  run_measured build m.txt --stub stub.exe -o out.exe
}

# A data file of one record, entry.bin, stored or imploded (COMPRESSED).
measure_data() {
  printf '%s\n' "record1 = entry.bin" "record1.compressed = $1" > d.manifest
  run_measured data build d.manifest -o out.ssd
}

# A package whose slot 8 is that data manifest (slot 7 small, stored).
measure_data_package() {
  printf '%s\n' "record1 = entry.bin" "record1.compressed = $1" > d.manifest
  manifest 0 d.manifest | sed 's/^slot7 = entry.bin/slot7 = small.bin/' > m.txt
  run_measured build m.txt --stub stub.exe -o out.exe
}

echo "## Builder memory"
echo
echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "- Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo
echo "| entry (random bytes) | slot | peak resident MB | wall time |"
echo "|---:|---|---:|---:|"
for mb in "${@:-30 300}"; do
  for size in $mb; do
    head -c "${size}M" /dev/urandom > entry.bin
    echo "| $size MB | stored | $(measure 0) |"
    echo "| $size MB | imploded (default level) | $(measure 1) |"
    echo "| $size MB | data build, record stored | $(measure_data 0) |"
    echo "| $size MB | data build, record imploded | $(measure_data 1) |"
    echo "| $size MB | package, slot 8 a data manifest, record stored | $(measure_data_package 0) |"
    rm -f entry.bin out.exe out.ssd
  done
done

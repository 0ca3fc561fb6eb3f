#!/usr/bin/env bash
# Peak memory of saverpack building an installer around one large entry,
# stored and imploded, measured with /usr/bin/time -v (maximum resident set
# size) on the Release build of the `bench` preset. Prints a markdown table.
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
# A stub: "MZ", the PE header at 0x40 for i386 (PE32), an executable image.
{
  printf 'MZ'; head -c 58 /dev/zero; printf '\100\000\000\000'
  printf 'PE\000\000\114\001'; head -c 16 /dev/zero; printf '\002\001\013\001'
} > stub.exe
head -c 4096 /dev/urandom > small.bin

# manifest COMPRESSED: a silent package whose slot 7 is entry.bin.
manifest() {
  printf '%s\n' "title = Bench" "preview_kind = 4" "slot1 = small.bin" "slot6 = small.bin" \
    "slot7 = entry.bin" "slot7.compressed = $1" "slot8 = small.bin" "slot8.name = data.ssd" \
    "slot9 = small.bin" "slot9.name = saver1.dll" "slot10 = small.bin" "slot10.name = saver2.dll"
}

# peak MB SECONDS of one build.
measure() {
  manifest "$1" > m.txt
  /usr/bin/time -v "$tool" build m.txt --stub stub.exe -o out.exe > /dev/null 2> time.log
  local kb seconds
  kb=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' time.log)
  seconds=$(sed -n 's/^[[:space:]]*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' time.log)
  awk -v kb="$kb" -v t="$seconds" 'BEGIN { printf "%.1f | %s", kb / 1024, t }'
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
    rm -f entry.bin out.exe
  done
done

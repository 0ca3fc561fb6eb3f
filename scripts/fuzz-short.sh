#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset, clang) and runs each one
# for a short time on its seed corpus (tests/fuzz/corpus/<name>/). New inputs
# go to a scratch folder, never into the seed corpus. Crash reproducers are
# left in the scratch folder, whose path is printed.
#
# Usage: scripts/fuzz-short.sh [SECONDS]      (default 20 per fuzzer)
# Environment: SAVER_FUZZ_BUILD_DIR (default build/fuzz)
# Exit status: 0 when every fuzzer ran clean, 1 otherwise.
set -euo pipefail

seconds=${1:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SAVER_FUZZ_BUILD_DIR:-$root/build/fuzz}

cd "$root"
cmake --preset fuzz -B "$build" >/dev/null
mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\.\.\. \(fuzz_[A-Za-z0-9_]*\).*/\1/p' | sort -u)
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz-short: no fuzz targets found" >&2
  exit 1
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/saver-fuzz.XXXXXX")
failed=()
for name in "${targets[@]}"; do
  seeds="$root/tests/fuzz/corpus/$name"
  work="$scratch/$name"
  mkdir -p "$work/corpus" "$seeds"
  echo "== $name: ${seconds}s"
  if ! (cd "$work" && "$build/bin/$name" -max_total_time="$seconds" -timeout=10 \
          -rss_limit_mb=2048 -print_final_stats=1 "$work/corpus" "$seeds" >"$work/log.txt" 2>&1); then
    failed+=("$name")
    tail -n 40 "$work/log.txt"
  else
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$work/log.txt" | tail -n 2 || true
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz-short: FAILED: ${failed[*]} (logs and reproducers in $scratch)" >&2
  exit 1
fi
rm -rf "$scratch"
echo "fuzz-short: all ${#targets[@]} fuzzers clean"

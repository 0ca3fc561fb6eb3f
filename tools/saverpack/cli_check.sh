#!/bin/sh
# Runs saverpack once and checks its exit code and output.
#
#   cli_check.sh RC PATTERN SAVERPACK ARGS...
#
# The command runs in a fresh scratch folder that holds the fixtures made
# below. ARGS may contain "--then": the command before it must succeed and
# the command after it is the one checked. PATTERN is an extended regular
# expression searched in stdout and stderr together. For RC 1 stderr must
# be exactly one line.
set -u
want_rc=$1
pattern=$2
tool=$3
shift 3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 99

# Fixtures: a stub, slot files, and manifests good and bad.
head -c 1000 /dev/zero | tr '\0' 'S' > stub.exe
head -c 552961 /dev/zero > big.exe
head -c 3000 /dev/urandom > codec.bin
echo "preview movie" > preview.scf
yes "engine code engine data" | head -c 40000 > engine.bin
head -c 77 /dev/urandom > pattern.bmp
yes "saver data" | head -c 5000 > data.bin
yes "support one" | head -c 9000 > saver1.dll
head -c 2000 /dev/urandom > saver2.dll
cat > good.txt <<'MANIFEST'
# a typical package
title = Aqua
preview_kind = 2
open_display_properties = 1
slot1 = codec.bin
slot3 = preview.scf
slot3.name = installer.scf
slot6 = engine.bin
slot6.compressed = 1
slot7 = pattern.bmp
slot8 = data.bin
slot9 = saver1.dll
slot9.compressed = 1
slot10 = saver2.dll
slot10.compressed = 1
MANIFEST
{ cat good.txt; echo "colour = blue"; } > unknown-key.txt
grep -v '^slot6' good.txt > no-engine.txt
{ cat good.txt; echo "slot9.name = ../saver1.dll"; } > bad-name.txt
{ grep -v '^title' good.txt; echo "title = $(head -c 65 /dev/zero | tr '\0' 'T')"; } > long-title.txt
{ grep -v '^slot7' good.txt; echo "slot7 = nothing.bin"; } > missing-file.txt
{ cat good.txt; echo "show_licence = 1"; } > no-licence.txt
head -c 600000 /dev/urandom > noise.exe

run() {
  "$tool" "$@" > out.log 2> err.log
}

if [ "$#" -gt 0 ]; then
  first=""
  for arg in "$@"; do
    [ "$arg" = "--then" ] && first=yes
  done
  if [ -n "$first" ]; then
    set -- "$@" --end
    before=""
    while [ "$1" != "--then" ]; do before="$before $1"; shift; done
    shift
    # Word splitting is intended: fixture arguments hold no blanks.
    # shellcheck disable=SC2086
    run $before || { echo "setup command failed:$before"; cat err.log; exit 1; }
    after=""
    while [ "$1" != "--end" ]; do after="$after $1"; shift; done
    # shellcheck disable=SC2086
    set -- $after
  fi
fi

run "$@"
rc=$?
cat out.log err.log
if [ "$rc" != "$want_rc" ]; then
  echo "FAIL: exit code $rc, expected $want_rc"
  exit 1
fi
if ! cat out.log err.log | grep -Eq -- "$pattern"; then
  echo "FAIL: output does not match: $pattern"
  exit 1
fi
if [ "$want_rc" = 1 ] && [ "$(wc -l < err.log)" != 1 ]; then
  echo "FAIL: stderr is not exactly one line"
  exit 1
fi
if [ "$want_rc" != 0 ] && [ -e OUT.exe ]; then
  echo "FAIL: a refused build left OUT.exe behind"
  exit 1
fi
if ls -a | grep -q '\.tmp'; then
  echo "FAIL: a temporary file was left behind"
  exit 1
fi
exit 0

#!/bin/sh
# Runs `saverpack` once on saver data file fixtures and checks its exit code
# and output.
#
#   data_cli_check.sh RC PATTERN SAVERPACK ARGS...
#
# ARGS may contain "--then": the command before it must succeed; the one
# after it is checked. PATTERN is an extended regular expression searched in
# stdout and stderr together; for RC 1 stderr must be exactly one line.
set -u
want_rc=$1
pattern=$2
tool=$3
shift 3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 99

yes "movie frame" | head -c 60000 > movie.swf
echo "read me" > notes.txt
head -c 3000 /dev/urandom > codec.bin
# An i386 Windows program header ("MZ", PE offset 0x40 at 0x3C, "PE\0\0",
# machine 0x14C, characteristics, optional header magic 0x10B), then filler:
# the engine; with the installer stub's marker, the stub.
{
  printf 'MZ'; head -c 58 /dev/zero; printf '\100\000\000\000'
  printf 'PE\000\000\114\001'; head -c 16 /dev/zero; printf '\002\001\013\001'
  head -c 910 /dev/zero | tr '\0' 'S'
} > engine.bin
{ cat engine.bin; printf 'saverpack installer stub, package at 552960'; } > stub.exe
cat > data.manifest <<'MANIFEST'
record1 = movie.swf
record1.name = saver.scf
record1.compressed = 1
record2 = notes.txt
record3.copy = prevmon.scf
MANIFEST
{ cat data.manifest; echo "record4.copy = ../evil.scf"; } > evil.manifest
{ cat data.manifest; echo "first_record_mode = 3"; } > mode3.manifest
{
  cat data.manifest
  echo 'picture = saver.scf'
  echo 'text = "Deep water"'
  echo 'background = "#000040"'
  echo 'speed = 240'
} > settings.manifest
{ cat data.manifest; printf '%s\n' 'picture = movies\saver.scf'; } > bad-picture.manifest
{ cat data.manifest; echo 'picture = pattern.bmp'; } > other-picture.manifest
cat > package.txt <<'MANIFEST'
title = Aqua
preview_kind = 4
slot1 = codec.bin
slot6 = engine.bin
slot7 = notes.txt
slot8 = data.manifest
slot9 = notes.txt
slot9.name = saver1.dll
slot10 = notes.txt
slot10.name = saver2.dll
MANIFEST
head -c 2500 /dev/zero | tr '\0' 'x' > bad-count.ssd

run() { "$tool" "$@" > out.log 2> err.log; }

before=""
for arg in "$@"; do
  if [ "$arg" = "--then" ]; then
    # Word splitting is intended: fixture arguments hold no blanks.
    # shellcheck disable=SC2086
    run $before || { echo "setup command failed:$before"; cat err.log; exit 1; }
    before=""
  else
    before="$before $arg"
  fi
done
# shellcheck disable=SC2086
run $before
rc=$?
cat out.log err.log
[ "$rc" = "$want_rc" ] || { echo "FAIL: exit code $rc, expected $want_rc"; exit 1; }
cat out.log err.log | grep -Eq -- "$pattern" || { echo "FAIL: no match: $pattern"; exit 1; }
if [ "$want_rc" = 1 ] && [ "$(wc -l < err.log)" != 1 ]; then
  echo "FAIL: stderr is not exactly one line"
  exit 1
fi
if [ "$want_rc" != 0 ] && [ -e OUT.ssd ]; then echo "FAIL: refused build left OUT.ssd"; exit 1; fi
if ls -a | grep -q '\.tmp'; then echo "FAIL: a temporary file was left behind"; exit 1; fi
exit 0

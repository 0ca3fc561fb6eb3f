#!/bin/sh
# Stops a build of a large imploded entry with a signal once its temporary
# file exists, and checks that the build died of the signal and left
# neither the output nor the temporary file, and that the old output and
# the inputs are untouched.
#
#   cli_interrupt.sh SAVERPACK SIGNAL      (SIGNAL: INT, TERM or HUP)
set -u
tool=$1
signal=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 99

fail() { echo "FAIL: $*"; exit 1; }

# A stub: "MZ", the PE header at 0x40 for i386 (PE32), an executable image,
# and the installer stub's marker; small.bin, which also serves as the
# engine, is the same program without the marker.
{
  printf 'MZ'; head -c 58 /dev/zero; printf '\100\000\000\000'
  printf 'PE\000\000\114\001'; head -c 16 /dev/zero; printf '\002\001\013\001'
} > small.bin
{ cat small.bin; printf 'saverpack installer stub, package at 552960'; } > stub.exe
truncate -s 1G large.bin
cat > m.txt <<'MANIFEST'
title = Aqua
preview_kind = 4
slot1 = small.bin
slot6 = small.bin
slot6.compressed = 1
slot7 = large.bin
slot7.compressed = 1
slot8 = small.bin
slot8.name = data.ssd
slot9 = small.bin
slot9.name = saver1.dll
slot10 = small.bin
slot10.name = saver2.dll
MANIFEST
echo "old installer" > OUT.exe
sums=$(sha256sum stub.exe small.bin m.txt OUT.exe)

# A background job of a script ignores SIGINT unless told otherwise.
env --default-signal="$signal" "$tool" build m.txt --stub stub.exe -o OUT.exe > out.log 2>&1 &
pid=$!
tries=0
until ls -a | grep -q '^\.OUT\.exe\.tmp'; do
  tries=$((tries + 1))
  [ "$tries" -lt 200 ] || { kill -KILL "$pid"; fail "no temporary file appeared"; }
  kill -0 "$pid" 2>/dev/null || fail "the build ended early: $(cat out.log)"
  sleep 0.05
done
sleep 0.2
kill -"$signal" "$pid"
wait "$pid"
rc=$?
ls -la
[ "$rc" -gt 128 ] || fail "exit code $rc: the build did not die of SIG$signal"
[ "$(kill -l "$rc")" = "$signal" ] || fail "the build died of signal $rc, not SIG$signal"
ls -a | grep -q 'tmp' && fail "a temporary file was left behind"
[ "$(sha256sum stub.exe small.bin m.txt OUT.exe)" = "$sums" ] || fail "an input or the old output changed"
[ "$(stat -c %s large.bin)" = 1073741824 ] || fail "large.bin changed"
exit 0

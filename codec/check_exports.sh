#!/bin/sh
# Checks impborl.dll: its export table holds exactly _crc32, _explode and
# _implode, and it imports no compiler runtime DLL (libgcc, libstdc++,
# libwinpthread). Exits 77 (test skipped) when the DLL has not been built.
# Usage: check_exports.sh OBJDUMP DLL
objdump=$1
dll=$2
if [ ! -f "$dll" ]; then
  echo "SKIP: $dll not built (build the win32 preset first)"
  exit 77
fi
dump=$("$objdump" -p "$dll") || exit 1
# Export name table rows look like "\t[   0] _crc32" (ordinal-less names).
names=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*\[ *[0-9]*\] \([^ ]*\)$/\1/p' | sort | tr '\n' ' ')
if [ "$names" != "_crc32 _explode _implode " ]; then
  echo "FAIL: exports are '$names'"
  exit 1
fi
imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')
case "$imports" in
  *libgcc* | *libstdc++* | *libwinpthread*)
    echo "FAIL: runtime DLL imports: $imports"
    exit 1
    ;;
esac
echo "OK: exports $names; imports $imports"

#!/bin/sh
# Runs saverpack once and checks its exit code and output.
#
#   cli_check.sh RC PATTERN SAVERPACK [--setup SH] [--after SH] [--memory KB] ARGS...
#
# The command runs in a fresh scratch folder that holds the fixtures made
# below. --setup runs a shell command there first (more fixtures; $SAVERPACK
# names the tool), --memory limits the checked command's virtual memory
# (ulimit -v) to prove that it streams; --after
# runs one afterwards that must succeed (an extra check; out.log and err.log
# hold the output). ARGS may contain "--then": the command before it must
# succeed and the command after it is the one checked. PATTERN is an
# extended regular expression searched in stdout and stderr together. For
# RC 1 stderr must hold exactly one line besides the warnings. Every fixture file, those of --setup
# included (but OUT.exe), must be unchanged byte for byte afterwards, a refused build must
# leave no OUT.exe and no build may leave a temporary file. An --after or
# --setup command that exits 77 skips the test.
set -u
want_rc=$1
pattern=$2
tool=$3
shift 3
setup=""
after=""
memory=""
while [ "$#" -gt 0 ]; do
  case "$1" in
    --setup) setup=$2; shift 2 ;;
    --after) after=$2; shift 2 ;;
    --memory) memory=$2; shift 2 ;;
    *) break ;;
  esac
done

scratch=$(mktemp -d)
trap 'chmod -R u+rwX "$scratch"; rm -rf "$scratch"' EXIT
cd "$scratch" || exit 99

# Little-endian numbers as bytes.
le16() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }

# A Windows program header: "MZ", the PE header's offset (0x40) at 0x3C,
# "PE\0\0", machine, 16 bytes, characteristics, optional header magic; the
# arguments are those three fields as octal escapes.
pe_image() {
  printf 'MZ'; head -c 58 /dev/zero; printf '\100\000\000\000'
  printf 'PE\000\000'; printf "$1"; head -c 16 /dev/zero; printf "$2"; printf "$3"
}
# A stub: such a program with the installer stub's marker.
pe_stub() {
  { pe_image "$2" "$3" "$4"; head -c 900 /dev/zero | tr '\0' 'S'
    printf 'saverpack installer stub, package at %s' "${5:-552960}"; } > "$1"
}
# bmp FILE WIDTH HEIGHT BITS COMPRESSION: a BITMAPFILEHEADER, a 40-byte
# BITMAPINFOHEADER (one plane) and zero pixel rows.
bmp() {
  rows=$(( ($2 * $4 + 31) / 32 * 4 * ($3 < 0 ? -$3 : $3) ))
  { printf 'BM'; le32 $((54 + rows)); le32 0; le32 54; le32 40; le32 "$2"; le32 "$3"; le16 1
    le16 "$4"; le32 "$5"; le32 0; le32 2835; le32 2835; le32 0; le32 0
    head -c "$rows" /dev/zero; } > "$1"
}
# swf FILE SIGNATURE VERSION: a movie header and some bytes.
swf() { { printf '%s' "$2"; printf "\\$(printf %03o "$3")"; le32 300; head -c 292 /dev/zero; } > "$1"; }

# Fixtures: stubs, slot files, and manifests good and bad.
pe_stub stub.exe '\114\001' '\002\001' '\013\001'
pe_stub stub64.exe '\144\206' '\042\000' '\013\002'
pe_stub stubdll.exe '\114\001' '\002\041' '\013\001'
pe_stub stubarm.exe '\304\001' '\002\001' '\013\001'
pe_stub oldstub.exe '\114\001' '\002\001' '\013\001' 4096
{ pe_image '\114\001' '\002\001' '\013\001'; head -c 2000 /dev/zero; } > nomark.exe
head -c 1000 /dev/zero | tr '\0' 'S' > text.exe
head -c 552961 /dev/zero > big.exe
head -c 3000 /dev/urandom > codec.bin
swf preview.scf FWS 6
{ pe_image '\114\001' '\002\001' '\013\001'; yes "engine code engine data" | head -c 40000; } > engine.bin
head -c 77 /dev/urandom > pattern.bmp
yes "saver data" | head -c 5000 > data.bin
yes "support one" | head -c 9000 > saver1.dll
yes "support two" | head -c 2000 > saver2.dll
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
# What slots 3 and 6 may be, and may not.
printf '\211PNG\r\n\032\n' > pic.png; printf '\377\330\377\340' > pic.jpg
printf 'GIF89a' > pic.gif
swf movie8.swf FWS 8; swf lzma.swf ZWS 13; swf cws5.swf CWS 5
bmp preview.bmp 350 150 24 0; bmp small.bmp 120 80 24 0; bmp topdown.bmp 350 -150 24 0
bmp rle8.bmp 350 150 8 1; bmp bpp2.bmp 350 150 2 0; bmp jpeg.bmp 350 150 24 4
{ pe_image '\144\206' '\042\000' '\013\002'; head -c 500 /dev/zero; } > engine64.bin
{ pe_image '\114\001' '\002\041' '\013\001'; head -c 500 /dev/zero; } > engine.dll
: > empty.bin
yes "licence text" | head -c 70000 > big-licence.txt
echo "licence" > licence.txt
{ grep -v '^title' good.txt; echo "title = $(head -c 65 /dev/zero | tr '\0' 'T')"; } > long-title.txt
{ grep -v '^slot7' good.txt; echo "slot7 = nothing.bin"; } > missing-file.txt
{ cat good.txt; echo "show_licence = 1"; } > no-licence.txt
head -c 600000 /dev/urandom > noise.exe

SAVERPACK=$tool
export SAVERPACK
if [ -n "$setup" ]; then
  sh -c "$setup" || { rc=$?; [ "$rc" = 77 ] && exit 77; echo "FAIL: setup failed: $setup"; exit 1; }
fi
# The fixture files' digests; large (sparse) ones by size and time instead.
find . -type f ! -name OUT.exe | sort > "../fixtures.$$.list"
snapshot() {
  while read -r file; do
    if [ "$(stat -c %s "$file" 2>&1)" -gt 67108864 ] 2>/dev/null; then
      stat -c '%s %Y %n' "$file"
    else
      sha256sum "$file" 2>&1
    fi
  done < "../fixtures.$$.list"
}
snapshot > "../fixtures.$$.sum"
trap 'rm -f "$scratch/../fixtures.$$.sum" "$scratch/../fixtures.$$.list"; chmod -R u+rwX "$scratch"; rm -rf "$scratch"' EXIT

run() {
  if [ -n "$memory" ]; then
    (ulimit -v "$memory" && exec "$tool" "$@") > out.log 2> err.log
  else
    "$tool" "$@" > out.log 2> err.log
  fi
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
    after_then=""
    while [ "$1" != "--end" ]; do after_then="$after_then $1"; shift; done
    # shellcheck disable=SC2086
    set -- $after_then
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
if [ "$want_rc" = 1 ] && [ "$(grep -vc ': warning: ' err.log)" != 1 ]; then
  echo "FAIL: stderr does not hold exactly one line besides the warnings"
  exit 1
fi
if [ "$want_rc" != 0 ] && [ -e OUT.exe ]; then
  echo "FAIL: a refused build left OUT.exe behind"
  exit 1
fi
if find . -name '*.tmp*' | grep -q .; then
  echo "FAIL: a temporary file was left behind"
  exit 1
fi
if ! snapshot | cmp -s - "../fixtures.$$.sum"; then
  echo "FAIL: an input file changed"
  exit 1
fi
if [ -n "$after" ]; then
  sh -c "$after"
  rc=$?
  [ "$rc" = 77 ] && exit 77
  [ "$rc" = 0 ] || { echo "FAIL: check failed: $after"; exit 1; }
fi
exit 0

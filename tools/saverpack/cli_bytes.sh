#!/bin/sh
# Damages installers for the command-line tests of `verify` and `sign`.
#
#   cli_bytes.sh flip FILE OFFSET       inverts the byte at OFFSET in place
#   cli_bytes.sh start FILE SLOT        prints the slot's startOffset
#                                       ($SAVERPACK list)
#   cli_bytes.sh wipe FILE SLOT...      zeroes the 16 marker bytes at the end
#                                       of each slot's name field
set -eu
command=$1
file=$2
shift 2
case "$command" in
  flip)
    b=$(od -An -tu1 -j"$1" -N1 "$file" | tr -d ' ')
    printf "\\$(printf %03o $((b ^ 255)))" | dd of="$file" bs=1 seek="$1" conv=notrunc 2>/dev/null
    ;;
  start)
    "$SAVERPACK" list "$file" | awk -v s="$1" '$1 == s { print $4 }'
    ;;
  wipe)
    for slot in "$@"; do
      head -c 16 /dev/zero |
        dd of="$file" bs=1 seek=$((552960 + 68 + slot * 280 + 240)) conv=notrunc 2>/dev/null
    done
    ;;
  *)
    echo "cli_bytes.sh: unknown command $command" >&2
    exit 2
    ;;
esac

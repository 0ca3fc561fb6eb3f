#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine, as
# root. Idempotent: a machine that has everything returns at once.
#
# System changes: adds the i386 architecture to dpkg, and pins the
# bookworm-security suite below the main suite
# (/etc/apt/preferences.d/saver-installer-security-pin) so that amd64 and
# i386 library versions can pair when the i386 security index is missing.
set -euo pipefail

PACKAGES=(
  cmake make g++ clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  xvfb xauth imagemagick x11-utils
  libstorm-dev libdynamite-dev
)
WINE_PACKAGES=(wine wine64 wine32:i386)

missing=()
for p in "${PACKAGES[@]}" "${WINE_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
pin=/etc/apt/preferences.d/saver-installer-security-pin
if [ ! -f "$pin" ]; then
  printf 'Package: *\nPin: release n=bookworm-security\nPin-Priority: 100\n' | $SUDO tee "$pin" >/dev/null
fi
# One i386 security index may fail to download here; the pin above makes
# the main suite's versions win, so a partial update is good enough.
$SUDO apt-get update || echo "install-deps: apt-get update reported errors; continuing" >&2
$SUDO apt-get install -y --no-install-recommends "${PACKAGES[@]}"
if ! $SUDO apt-get install -y --no-install-recommends "${WINE_PACKAGES[@]}"; then
  echo "install-deps: 32-bit Wine could not be installed; trying 64-bit Wine only" >&2
  $SUDO apt-get install -y --no-install-recommends wine wine64
fi

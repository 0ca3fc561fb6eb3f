#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine, as
# root. Idempotent: a machine that has everything returns at once.
#
# System changes: adds the i386 architecture to dpkg, and pins the
# bookworm-security suite below the main suite
# (/etc/apt/preferences.d/saver-installer-security-pin) so that amd64 and
# i386 library versions can pair when the i386 security index is missing.
# When 32-bit Wine cannot be installed at all, that is remembered in
# /var/lib/saver-installer/wine32-unavailable so later runs stay fast; the
# end-to-end tests then run the win64 build under 64-bit Wine.
set -euo pipefail

PACKAGES=(
  cmake make g++ clang libclang-rt-14-dev clang-format python3 time
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  xvfb xauth imagemagick x11-utils
  libstorm-dev libdynamite-dev
  zlib1g-dev libz-mingw-w64-dev python3-yaswfp nsis hyperfine
  osslsigncode openssl
  wine wine64
)
WINE32_PACKAGES=(wine32:i386)
WINE32_MARKER=/var/lib/saver-installer/wine32-unavailable

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done
want_wine32=0
if [ ! -f "$WINE32_MARKER" ]; then
  for p in "${WINE32_PACKAGES[@]}"; do
    installed "$p" || want_wine32=1
  done
fi
[ ${#missing[@]} -eq 0 ] && [ $want_wine32 -eq 0 ] && exit 0

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
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
if [ $want_wine32 -eq 1 ] && ! $SUDO apt-get install -y --no-install-recommends "${WINE32_PACKAGES[@]}"; then
  $SUDO mkdir -p "$(dirname "$WINE32_MARKER")"
  $SUDO touch "$WINE32_MARKER"
  cat >&2 <<'WARN'
########################################################################
### install-deps: 32-BIT WINE (wine32:i386) COULD NOT BE INSTALLED.
### The end-to-end tests will run the win64 build under 64-bit Wine.
########################################################################
WARN
fi

#!/usr/bin/env bash
# Wine and virtual-display plumbing shared by the end-to-end tests and the demo.
#
#   wine-env.sh arch                     print win32 (32-bit Wine works) or win64
#                                        (only 64-bit Wine works); exit 1 if neither
#   wine-env.sh loader                   print the Wine loader to run programs with
#   wine-env.sh template DIR             make DIR a booted prefix once (cached)
#   wine-env.sh fresh TEMPLATE DEST      DEST := a fresh copy of the template
#   wine-env.sh kill PREFIX              stop the wineserver (and programs) of PREFIX
#   wine-env.sh xvfb-start STATEFILE     start one Xvfb on a free display, print
#                                        DISPLAY; STATEFILE records it for xvfb-stop
#   wine-env.sh xvfb-stop STATEFILE      stop the Xvfb that xvfb-start recorded
#   wine-env.sh banner                   say loudly which Windows build the tests run
#
# SAVER_WINE_ARCH=win32|win64 overrides the detection. All Wine runs use
# WINEDEBUG=-all. Templates carry "Managed=N" for the X11 driver: without a
# window manager every close would otherwise wait about two seconds.
set -euo pipefail

WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all

die() {
  echo "wine-env: $*" >&2
  exit 1
}

loader_runs() {
  [ -x "$1" ] && "$1" --version >/dev/null 2>&1
}

detect_arch() {
  if [ -n "${SAVER_WINE_ARCH:-}" ]; then
    echo "$SAVER_WINE_ARCH"
  elif loader_runs "$WINE32_LOADER"; then
    echo win32
  elif loader_runs "$WINE64_LOADER"; then
    echo win64
  else
    die "no usable Wine loader (tried $WINE32_LOADER and $WINE64_LOADER)"
  fi
}

loader_for() {
  if [ "$1" = win32 ]; then echo "$WINE32_LOADER"; else echo "$WINE64_LOADER"; fi
}

wineserver_for() {
  if [ -x /usr/lib/wine/wineserver64 ]; then
    echo /usr/lib/wine/wineserver64
  else
    echo /usr/lib/wine/wineserver32
  fi
}

# Runs the Wine loader for ARCH with WINEPREFIX=$1; output goes to $LOG.
wine_in() {
  local prefix=$1 arch=$2
  shift 2
  local loader
  loader=$(loader_for "$arch")
  WINEPREFIX="$prefix" WINEARCH="$arch" WINELOADER="$loader" "$loader" "$@" >>"$LOG" 2>&1 </dev/null
}

# What a template was made with: a new Wine or another arch needs a new one.
# Bump TEMPLATE_LAYOUT when the template's set-up changes.
TEMPLATE_LAYOUT=2
template_stamp() {
  echo "$1 $("$(loader_for "$1")" --version 2>/dev/null) layout $TEMPLATE_LAYOUT"
}

boot_template() {
  local dir=$1 arch=$2 work="$1.boot.$$"
  LOG="$dir.boot.log"
  : >"$LOG"
  rm -rf "$work"
  local started=$SECONDS
  # No display is needed to boot; keep wineboot away from any X server, and
  # from offering to download Mono and Gecko, which nothing here uses.
  (unset DISPLAY && WINEDLLOVERRIDES="mscoree,mshtml=" wine_in "$work" "$arch" wineboot -i) ||
    die "wineboot failed; see $LOG"
  wine_in "$work" "$arch" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f ||
    die "reg add failed; see $LOG"
  # Wine's set-up registers the txtfile class but not the .txt extension,
  # so the shell could not open a text file as a Windows machine does.
  wine_in "$work" "$arch" reg add 'HKCR\.txt' /ve /d txtfile /f || die "reg add failed; see $LOG"
  WINEPREFIX="$work" "$(wineserver_for)" -w
  template_stamp "$arch" >"$work/.saver-template"
  rm -rf "$dir"
  mv "$work" "$dir"
  echo "wine-env: booted $arch template $dir in $((SECONDS - started)) s" >&2
}

make_template() {
  local dir=${1:?template directory}
  local arch
  arch=$(detect_arch)
  mkdir -p "$(dirname "$dir")"
  exec 9>"$dir.lock"
  flock 9
  if [ -f "$dir/.saver-template" ] && [ "$(cat "$dir/.saver-template")" = "$(template_stamp "$arch")" ]; then
    echo "$dir"
    return
  fi
  boot_template "$dir" "$arch"
  echo "$dir"
}

fresh_copy() {
  local template=${1:?template} dest=${2:?destination}
  [ -f "$template/.saver-template" ] || die "$template is not a booted template"
  rm -rf "$dest"
  cp -a "$template" "$dest"
}

kill_prefix() {
  local prefix=${1:?prefix}
  [ -d "$prefix" ] || return 0
  WINEPREFIX="$prefix" "$(wineserver_for)" -k >/dev/null 2>&1 || true
}

xvfb_start() {
  local state=${1:?state file}
  command -v Xvfb >/dev/null || die "Xvfb is not installed (scripts/install-deps.sh)"
  # A display left running by an interrupted run of the same state file is
  # taken over rather than started twice.
  if [ -f "$state" ]; then
    local old_display old_pid
    read -r old_display old_pid <"$state"
    if [ -n "${old_pid:-}" ] && kill -0 "$old_pid" 2>/dev/null; then
      echo "$old_display"
      return
    fi
  fi
  local fdfile="$state.display"
  rm -f "$fdfile"
  # -displayfd makes Xvfb pick a free display itself and write its number
  # once it accepts connections.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >"$state.log" 2>&1 &
  local pid=$!
  local waited=0
  until [ -s "$fdfile" ]; do
    kill -0 "$pid" 2>/dev/null || die "Xvfb exited; see $state.log"
    [ $waited -lt 200 ] || die "Xvfb did not report a display within 20 s"
    sleep 0.1
    waited=$((waited + 1))
  done
  local display
  display=":$(tr -dc '0-9' <"$fdfile")"
  echo "$display $pid" >"$state"
  rm -f "$fdfile"
  echo "$display"
}

xvfb_stop() {
  local state=${1:?state file}
  [ -f "$state" ] || return 0
  local display pid
  read -r display pid <"$state"
  if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    echo "wine-env: stopped Xvfb $display (pid $pid)" >&2
  fi
  rm -f "$state" "$state.log"
}

banner() {
  local arch
  arch=$(detect_arch)
  if [ "$arch" = win32 ]; then
    echo "wine-env: 32-bit Wine runs here; the tests run the win32 build." >&2
    return
  fi
  cat >&2 <<'WARN'
########################################################################
### 32-BIT WINE CANNOT RUN ON THIS MACHINE (wine32 missing, or the
### kernel has 32-bit emulation disabled). THE END-TO-END TESTS AND THE
### DEMO RUN THE WIN64 BUILD (build/win64) UNDER 64-BIT WINE INSTEAD.
########################################################################
WARN
}

case "${1:-}" in
  arch) detect_arch ;;
  loader) loader_for "$(detect_arch)" ;;
  template) make_template "${2:-}" ;;
  fresh) fresh_copy "${2:-}" "${3:-}" ;;
  kill) kill_prefix "${2:-}" ;;
  xvfb-start) xvfb_start "${2:-}" ;;
  xvfb-stop) xvfb_stop "${2:-}" ;;
  banner) banner ;;
  *)
    awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0" >&2
    exit 2
    ;;
esac

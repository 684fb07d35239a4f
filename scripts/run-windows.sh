#!/usr/bin/env bash
# Builds the Windows program and runs it under Wine (scripts/run.sh runs
# the globe natively on Linux).
#
# With $DISPLAY set, the globe appears on that display and runs until it is
# closed (right-click it, Exit); its Wine prefix is kept in build/wine-prefix
# (or $NIVARRA_WINEPREFIX), so settings survive from one run to the next.
# Without a display it runs for a few seconds on a private virtual screen
# (Xvfb with a compositor, in a throwaway prefix) and leaves a screenshot.
# Arguments are handed to the program (e.g. "add").
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target layout-tool artgen
cmake --preset windows >/dev/null
cmake --build --preset windows --target Nivarra
exe="$root/build/windows/src/app/Nivarra.exe"

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX="${NIVARRA_WINEPREFIX:-$root/build/wine-prefix}"
  if [ ! -d "$WINEPREFIX" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (once)"
    wine wineboot --init >/dev/null 2>&1
    wineserver -w
  fi
  echo "Nivarra runs on $DISPLAY; right-click the globe and choose Exit to end it."
  exec wine "$exe" "$@"
fi

# No display: a private virtual screen and a throwaway prefix.
seconds="${NIVARRA_RUN_SECONDS:-6}"
shot="$root/build/wine-run/globe.png"
mkdir -p "$(dirname "$shot")"
work="$(mktemp -d /tmp/nivarra-run.XXXXXX)"
export WINEPREFIX="$work/prefix"
VIRTUAL_SCREEN_PIDS=()
cleanup() {
  set +e
  [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1 && wineserver -w >/dev/null 2>&1
  for pid in "${VIRTUAL_SCREEN_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

source scripts/lib/virtual-screen.sh
start_virtual_screen "$work/fb" 91

echo "No display: running Nivarra on a virtual screen for $seconds s (preparing a Wine prefix first)"
wine wineboot --init >/dev/null 2>&1
wineserver -w
wineserver -p
wine "$exe" "$@" >/dev/null 2>&1 &
sleep "$seconds"
/usr/bin/convert "xwd:$work/fb/Xvfb_screen0" "$shot"
wine wineboot --end-session --shutdown >/dev/null 2>&1 || true
echo "Screenshot of the virtual screen: $shot"

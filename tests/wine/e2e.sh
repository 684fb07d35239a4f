#!/usr/bin/env bash
# End-to-end checks of the Windows program under Wine, from outside it: one
# Wine prefix on two private desktops in turn, a bare screen with a
# compositor (so per-pixel alpha shows; also at 192 DPI and at another
# size of the globe, and for a user whose desktop speaks Russian) and a
# desktop as users have it
# (openbox, a tint2 panel, a compositor, two monitors side by side); the
# program driven with xdotool, looked at through the X server's framebuffer,
# the registry and a small Win32 probe.
#
#   tests/wine/e2e.sh [path/to/Nivarra.exe]
#
# The Russian pass compares the plaque with what globe-render draws
# ($NIVARRA_GLOBE_RENDER, default build/native/tools/globe-render).
# Screenshots go to $NIVARRA_E2E_OUT (default build/wine-e2e).
# NIVARRA_E2E_PASSES picks e2e.py's passes (default "screen dpi russian desktop").
# With NIVARRA_E2E_CPU=<seconds> the bare screen's run ends with CPU
# measurements of that length. Exits non-zero when a check fails;
# everything it started is stopped and the prefix removed, also on failure
# or interruption.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
# shellcheck source=../lib/desktop.sh
source "$root/tests/lib/desktop.sh"

exe="$(realpath "${1:-$root/build/windows/src/app/Nivarra.exe}")"
out="${NIVARRA_E2E_OUT:-$root/build/wine-e2e}"
globe_render="$(realpath -m "${NIVARRA_GLOBE_RENDER:-$root/build/native/tools/globe-render}")"
[ -f "$exe" ] || { echo "e2e: no program at $exe (build the windows preset first)" >&2; exit 2; }
for tool in wine wineserver Xvfb xcompmgr xdotool xwininfo xrandr openbox tint2 x86_64-w64-mingw32-gcc python3 \
  localedef /usr/bin/convert; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
done
mkdir -p "$out"

work="$(mktemp -d /tmp/nivarra-e2e.XXXXXX)"
checks_pid=""
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C  # dates in the menu in Wine's default English format

stop_wine() {
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true  # none may be running
    wineserver -w >/dev/null 2>&1
  fi
  return 0
}

cleanup() {
  local status=$?
  set +e
  [ -n "$checks_pid" ] && kill "$checks_pid" 2>/dev/null
  stop_wine
  desktop_stop
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

failed=0
passes=" ${NIVARRA_E2E_PASSES:-screen dpi russian desktop} "
wanted() { [[ "$passes" == *" $1 "* ]]; }
# Runs e2e.py's checks of one desktop (in the background, so that a signal
# reaches the trap at once) against a warm wineserver: every start is
# timed against it.
checks() {
  local desktop="$1" fbdir="$2"
  # A server kept from the pass before answers for this one: starting a
  # second one fails.
  wineserver -p 2>/dev/null || true
  NIVARRA_EXE="$exe" NIVARRA_PROBE="$work/probe.exe" NIVARRA_FBDIR="$fbdir" NIVARRA_E2E_OUT="$out" \
    NIVARRA_E2E_WORK="$work" NIVARRA_SOURCE_DIR="$root" NIVARRA_XVFB_PID="$DESKTOP_X_PID" \
    NIVARRA_LOCPATH="$work/locale" NIVARRA_GLOBE_RENDER="$globe_render" \
    NIVARRA_XCOMPMGR_PID="$DESKTOP_COMPOSITOR_PID" python3 "$here/e2e.py" "$desktop" &
  checks_pid=$!
  wait "$checks_pid" || failed=1
  checks_pid=""
}

desktop_start_xvfb "$work/fb-screen"
desktop_start_compositor
echo "e2e: Wine prefix in $WINEPREFIX, display $DISPLAY"
started=$(date +%s)
wine wineboot --init >"$work/wineboot.log" 2>&1
wineserver -w
echo "e2e: prefix ready in $(( $(date +%s) - started )) s"
x86_64-w64-mingw32-gcc -O2 -Wall -o "$work/probe.exe" "$here/probe.c" -lgdi32 -ladvapi32

if wanted screen; then
  echo "e2e: one bare screen"
  checks screen "$work/fb-screen"
fi
if wanted dpi; then
  echo "e2e: the bare screen at 192 DPI, and the globe at 150 %"
  checks dpi "$work/fb-screen"
fi
if wanted russian; then
  # The user's locale, made here as a Russian system has it generated;
  # Wine takes the user's UI language from it.
  echo "e2e: the bare screen in Russian (ru_RU.UTF-8)"
  [ -x "$globe_render" ] || { echo "e2e: no globe-render at $globe_render (build the native preset first)" >&2; exit 2; }
  mkdir -p "$work/locale"
  localedef -i ru_RU -f UTF-8 "$work/locale/ru_RU.UTF-8"
  checks russian "$work/fb-screen"
fi
wanted desktop || exit "$failed"

# The same prefix on the next desktop: Wine reads the monitors when its
# server starts. Without XRandR it takes them from Xinerama, which gives
# the split screen's two.
stop_wine
desktop_stop || true  # it ends what is already gone too
desktop_start_xvfb "$work/fb-desktop" 2560x1024
desktop_split_monitors
desktop_start_openbox
desktop_start_panel
desktop_start_compositor
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1
stop_wine
echo "e2e: openbox, a panel and two monitors, display $DISPLAY"
checks desktop "$work/fb-desktop"
exit "$failed"

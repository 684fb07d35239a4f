#!/usr/bin/env bash
# End-to-end checks of the Windows program under Wine, from outside it: a
# fresh Wine prefix on a private X server (Xvfb with a compositor, so
# per-pixel alpha shows), the program driven with xdotool, looked at through
# the X server's framebuffer, the registry and a small Win32 probe.
#
#   tests/wine/e2e.sh [path/to/Nivarra.exe]
#
# Screenshots go to $NIVARRA_E2E_OUT (default build/wine-e2e). With
# NIVARRA_E2E_CPU=<seconds> the run ends with CPU measurements of that
# length. Exits non-zero when a check fails; everything it started is
# stopped and the prefix removed, also on failure or interruption.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

exe="$(realpath "${1:-$root/build/windows/src/app/Nivarra.exe}")"
out="${NIVARRA_E2E_OUT:-$root/build/wine-e2e}"
[ -f "$exe" ] || { echo "e2e: no program at $exe (build the windows preset first)" >&2; exit 2; }
for tool in wine wineserver Xvfb xcompmgr xdotool xwininfo x86_64-w64-mingw32-gcc python3; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
done
mkdir -p "$out"

work="$(mktemp -d /tmp/nivarra-e2e.XXXXXX)"
xvfb_pid=""
xcompmgr_pid=""
checks_pid=""
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C  # dates in the menu in Wine's default English format

cleanup() {
  local status=$?
  set +e
  [ -n "$checks_pid" ] && kill "$checks_pid" 2>/dev/null
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
  [ -n "$xcompmgr_pid" ] && kill "$xcompmgr_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A display number nobody uses.
display=""
for n in $(seq 91 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "e2e: no free X display" >&2; exit 2; }
export DISPLAY="$display"

mkdir -p "$work/fb"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset -fbdir "$work/fb" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  xwininfo -root >/dev/null 2>&1 && break
  sleep 0.05
done
xwininfo -root >/dev/null 2>&1 || { echo "e2e: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 2; }
xcompmgr >"$work/xcompmgr.log" 2>&1 &
xcompmgr_pid=$!

echo "e2e: Wine prefix in $WINEPREFIX, display $display"
started=$(date +%s)
wine wineboot --init >"$work/wineboot.log" 2>&1
wineserver -w
# One warm wineserver for the whole run: every start is timed against it.
wineserver -p
echo "e2e: prefix ready in $(( $(date +%s) - started )) s"

x86_64-w64-mingw32-gcc -O2 -Wall -o "$work/probe.exe" "$here/probe.c" -lgdi32

# In the background, so that a signal reaches the trap at once.
NIVARRA_EXE="$exe" NIVARRA_PROBE="$work/probe.exe" NIVARRA_FBDIR="$work/fb" NIVARRA_E2E_OUT="$out" \
  NIVARRA_E2E_WORK="$work" NIVARRA_SOURCE_DIR="$root" NIVARRA_XVFB_PID="$xvfb_pid" \
  NIVARRA_XCOMPMGR_PID="$xcompmgr_pid" python3 "$here/e2e.py" &
checks_pid=$!
wait "$checks_pid"

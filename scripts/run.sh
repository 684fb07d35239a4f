#!/usr/bin/env bash
# Builds the globe for this Linux desktop and starts it.
#
# With a display ($DISPLAY, or a Wayland session through XWayland) the
# globe appears there and runs until it is closed (right-click it, Exit);
# its settings live in ~/.config/nivarra/settings.ini.
# Without a display it runs for a few seconds on a private virtual screen
# (Xvfb with a compositor, with throwaway settings) and leaves a screenshot.
# Arguments are handed to the program (e.g. "add").
# The Windows program has its own script: scripts/run-windows.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target nivarra
program="$root/build/native/src/app/nivarra"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Nivarra runs on your desktop; right-click the globe and choose Exit to end it."
  exec "$program" "$@"
fi

# No display: a private virtual screen and throwaway settings.
seconds="${NIVARRA_RUN_SECONDS:-5}"
shot="$root/build/run/globe.png"
mkdir -p "$(dirname "$shot")"
work="$(mktemp -d /tmp/nivarra-run.XXXXXX)"
VIRTUAL_SCREEN_PIDS=()
pids=()
cleanup() {
  set +e
  for pid in "${pids[@]}" "${VIRTUAL_SCREEN_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

source scripts/lib/virtual-screen.sh
start_virtual_screen "$work/fb" 141

echo "No display: running Nivarra on a virtual screen for $seconds s"
XDG_CONFIG_HOME="$work/config" "$program" "$@" &
program_pid=$!
pids+=("$program_pid")
sleep "$seconds"
/usr/bin/convert "xwd:$work/fb/Xvfb_screen0" "$shot"
kill -TERM "$program_pid" 2>/dev/null || true
echo "Screenshot of the virtual screen: $shot"

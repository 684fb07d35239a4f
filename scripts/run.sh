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
program="$root/build/native/src/platform/gtk/nivarra"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Nivarra runs on your desktop; right-click the globe and choose Exit to end it."
  exec "$program" "$@"
fi

# No display: a private virtual screen and throwaway settings.
seconds="${NIVARRA_RUN_SECONDS:-5}"
shot="$root/build/run/globe.png"
mkdir -p "$(dirname "$shot")"
work="$(mktemp -d /tmp/nivarra-run.XXXXXX)"
pids=()
cleanup() {
  set +e
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

display=""
for n in $(seq 141 190); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "No free X display number" >&2; exit 1; }
export DISPLAY="$display"
mkdir -p "$work/fb"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset -fbdir "$work/fb" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xwininfo -root >/dev/null 2>&1 && break
  sleep 0.05
done
xcompmgr >/dev/null 2>&1 &
pids+=($!)

echo "No display: running Nivarra on a virtual screen for $seconds s"
XDG_CONFIG_HOME="$work/config" "$program" "$@" &
program_pid=$!
pids+=("$program_pid")
sleep "$seconds"
/usr/bin/convert "xwd:$work/fb/Xvfb_screen0" "$shot"
kill -TERM "$program_pid" 2>/dev/null || true
echo "Screenshot of the virtual screen: $shot"

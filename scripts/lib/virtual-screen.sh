# Sourced by the run scripts: a private X server (Xvfb, 1280x1024, with its
# framebuffer in a file for screenshots) and a compositor for per-pixel alpha.
#
#   start_virtual_screen FBDIR FIRST_DISPLAY_NUMBER
#
# exports DISPLAY and sets VIRTUAL_SCREEN_PIDS (Xvfb, xcompmgr) for the
# caller's cleanup; the screen is FBDIR/Xvfb_screen0.

start_virtual_screen() {
  local fbdir="$1" first="$2" n display=""
  for n in $(seq "$first" $((first + 49))); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
  done
  [ -n "$display" ] || { echo "No free X display number" >&2; return 1; }
  export DISPLAY="$display"
  mkdir -p "$fbdir"
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset -fbdir "$fbdir" >/dev/null 2>&1 &
  VIRTUAL_SCREEN_PIDS=($!)
  for _ in $(seq 100); do
    xwininfo -root >/dev/null 2>&1 && break
    sleep 0.05
  done
  xcompmgr >/dev/null 2>&1 &
  VIRTUAL_SCREEN_PIDS+=($!)
}

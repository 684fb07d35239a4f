# Sourced by the end-to-end runs: desktops as users have them, on private X
# servers. Every process started here is recorded in DESKTOP_PIDS; call
# desktop_stop (for instance from an EXIT trap) to end them all.
#
#   desktop_start_xvfb FBDIR [WIDTHxHEIGHT [OPTION...]]  a virtual screen
#       (default 1280x1024) with its framebuffer in FBDIR/Xvfb_screen0 and
#       Xvfb's options (-extension MIT-SHM, say); exports DISPLAY
#   desktop_start_xorg_dummy LOGDIR       Xorg with the dummy video driver:
#       two 1280x1024 monitors side by side (DUMMY0, DUMMY1 right of it) on a
#       2560x1024 screen; no framebuffer file; exports DISPLAY
#   desktop_split_monitors                splits a 2560-wide Xvfb screen into
#       two 1280-wide monitors (RandR monitors; Xinerama clients see them)
#   desktop_start_openbox                 openbox, without session management
#   desktop_start_xfwm4                   xfwm4 with its own compositor (on a
#       private D-Bus session bus, for its settings daemon)
#   desktop_start_icewm                   IceWM with its taskbar along the bottom
#   desktop_start_panel                   a tint2 panel along the bottom edge,
#       30 pixels high, which the window manager keeps out of the work area
#   desktop_start_compositor              xcompmgr, for per-pixel alpha
#   desktop_start_session_bus             a private D-Bus session bus; its
#       address in DESKTOP_BUS_ADDRESS (not exported: only who is given it uses it)
#   desktop_stop_process PID              ends one of them (a compositor, a
#       window manager, the X server itself)
#   desktop_stop                          ends everything started here

DESKTOP_PIDS=()
DESKTOP_FILES=()
DESKTOP_LIB_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# Polls a command for up to $1 seconds.
desktop_wait() {
  local seconds="$1" end
  shift
  end=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS >= end)) && return 1
    sleep 0.05
  done
}

# Starts an X server (its command line, without a display) that takes the
# first free display number itself, so servers started at the same moment
# never pick the same one; exports DISPLAY once it takes clients (the server
# writes its number only then).
desktop_start_server() {
  local log="$1" seconds="$2" number
  shift 2
  : >"$log.display"
  "$@" -displayfd 3 3>"$log.display" >"$log" 2>&1 &
  DESKTOP_PIDS+=($!)
  DESKTOP_X_PID=$!
  desktop_wait "$seconds" grep -q '^[0-9]' "$log.display" || return 1
  number="$(head -n 1 "$log.display")"
  export DISPLAY=":$number"
}

desktop_start_xvfb() {
  local fbdir="$1" size="${2:-1280x1024}"
  shift $(($# < 2 ? $# : 2))
  mkdir -p "$fbdir"
  desktop_start_server "$fbdir/xvfb.log" 10 Xvfb -screen 0 "${size}x24" -nolisten tcp -noreset -fbdir "$fbdir" "$@" ||
    { echo "desktop: Xvfb did not start" >&2; return 1; }
}

desktop_start_xorg_dummy() {
  local logdir="$1"
  mkdir -p "$logdir"
  desktop_start_server "$logdir/xorg.out" 15 Xorg -config "$DESKTOP_LIB_DIR/xorg-dummy.conf" -noreset -nolisten tcp \
    -logfile "$logdir/xorg.log" ||
    { echo "desktop: Xorg did not start" >&2; cat "$logdir/xorg.out" >&2; return 1; }
  xrandr --addmode DUMMY1 1280x1024 &&
    xrandr --output DUMMY0 --mode 1280x1024 --pos 0x0 --primary \
      --output DUMMY1 --mode 1280x1024 --right-of DUMMY0 ||
    { echo "desktop: xrandr could not set up the second monitor" >&2; return 1; }
  # Until a client has queried the outputs, GDK sees both monitors at 0,0.
  xrandr >/dev/null
}

desktop_split_monitors() {
  xrandr --setmonitor left 1280/338x1024/270+0+0 screen >/dev/null &&
    xrandr --setmonitor right 1280/338x1024/270+1280+0 none >/dev/null
}

desktop_start_openbox() {
  openbox --sm-disable >/dev/null 2>&1 &
  DESKTOP_PIDS+=($!)
  DESKTOP_WM_PID=$!
  desktop_wait 10 xprop -root _NET_SUPPORTING_WM_CHECK ||
    { echo "desktop: openbox did not start" >&2; return 1; }
  # The property is there before openbox manages windows; its desktops come last.
  desktop_wait 10 sh -c 'xprop -root _NET_NUMBER_OF_DESKTOPS | grep -q "= [1-9]"'
}

# Polls until a window manager has announced itself on the root window.
desktop_wait_wm() {
  desktop_wait 10 xprop -root _NET_SUPPORTING_WM_CHECK ||
    { echo "desktop: $1 did not start" >&2; return 1; }
}

desktop_start_xfwm4() {
  desktop_start_session_bus || return 1
  DBUS_SESSION_BUS_ADDRESS="$DESKTOP_BUS_ADDRESS" xfwm4 --compositor=on --vblank=off --sm-client-disable \
    >/dev/null 2>&1 &
  DESKTOP_PIDS+=($!)
  DESKTOP_WM_PID=$!
  desktop_wait_wm xfwm4 && desktop_wait 10 sh -c 'xprop -root _NET_NUMBER_OF_DESKTOPS | grep -q "= [1-9]"'
}

desktop_start_icewm() {
  icewm >/dev/null 2>&1 &
  DESKTOP_PIDS+=($!)
  DESKTOP_WM_PID=$!
  desktop_wait_wm icewm || return 1
  # Its taskbar's space leaves the work area.
  local height
  height="$(xwininfo -root | awk '/Height:/ {print $2}')"
  desktop_wait 10 sh -c "xprop -root _NET_WORKAREA | awk -F'[=,]' '{ exit !(NF >= 5 && \$5 + 0 < $height) }'" ||
    { echo "desktop: the IceWM taskbar did not reserve its space" >&2; return 1; }
}

desktop_start_panel() {
  local config
  config="$(mktemp /tmp/nivarra-tint2.XXXXXX)"
  DESKTOP_FILES+=("$config")
  cat >"$config" <<'TINT2'
panel_items = T
panel_position = bottom center horizontal
panel_size = 100% 30
panel_layer = top
panel_dock = 0
strut_policy = follow_size
panel_background_id = 0
taskbar_mode = single_desktop
TINT2
  tint2 -c "$config" >/dev/null 2>&1 &
  DESKTOP_PIDS+=($!)
  DESKTOP_PANEL_PID=$!
  # The work area shrinks once the window manager has taken the panel's strut.
  local height
  height="$(xwininfo -root | awk '/Height:/ {print $2}')"
  desktop_wait 10 sh -c "xprop -root _NET_WORKAREA | grep -q ', $((height - 30))\$\|, $((height - 30)),'" ||
    { echo "desktop: the panel did not reserve its space" >&2; return 1; }
}

desktop_start_compositor() {
  xcompmgr >/dev/null 2>&1 &
  DESKTOP_PIDS+=($!)
  DESKTOP_COMPOSITOR_PID=$!
  sleep 0.5
}

desktop_start_session_bus() {
  local out
  out="$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1)" ||
    { echo "desktop: dbus-daemon did not start" >&2; return 1; }
  DESKTOP_BUS_ADDRESS="$(sed -n 1p <<<"$out")"
  DESKTOP_PIDS+=("$(sed -n 2p <<<"$out")")
}

desktop_stop_process() {
  local pid="$1" i
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  for i in "${!DESKTOP_PIDS[@]}"; do
    [ "${DESKTOP_PIDS[$i]}" = "$pid" ] && unset "DESKTOP_PIDS[$i]"
  done
  DESKTOP_PIDS=("${DESKTOP_PIDS[@]}")
  return 0
}

desktop_stop() {
  local i
  for ((i = ${#DESKTOP_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${DESKTOP_PIDS[$i]}" 2>/dev/null || true
  done
  for ((i = ${#DESKTOP_PIDS[@]} - 1; i >= 0; i--)); do
    wait "${DESKTOP_PIDS[$i]}" 2>/dev/null || true
  done
  DESKTOP_PIDS=()
  ((${#DESKTOP_FILES[@]})) && rm -f "${DESKTOP_FILES[@]}"
  DESKTOP_FILES=()
  return 0
}

#!/usr/bin/env bash
# The desktop torture test: a seeded random sequence of what users do to the
# globe (Size and Transparent choices, Always OnTop, snow on and off, slow
# and quick drags, also partly off the screen, the second monitor switched
# off and on, restarts, second starts, iconify, show desktop), with the
# globe's invariants checked after every step (tests/lib/torture.py says
# which), on two-monitor desktops (Xorg with the dummy driver):
#
#   openbox           openbox with a tint2 panel
#   openbox-xcompmgr  the same with xcompmgr
#   xfwm4             xfwm4 with its own compositor, and the panel
#   icewm             IceWM with its taskbar
#   wine              the Windows program under Wine on openbox with the
#                     panel and xcompmgr
#
#   scripts/torture.sh [--seed N] [--steps M] [--desktop NAME]... [--load]
#                      [--program PATH] [--exe PATH]
#
# Defaults: seed 1, 100 steps, every desktop, the native and windows builds'
# programs. --load runs the same with two busy processes beside it.
# Screenshots of failed steps go to $NIVARRA_TORTURE_SHOTS (default
# /tmp/nivarra-torture); NIVARRA_TORTURE_HOLD=N keeps the desktop of a
# failed step N seconds for a look. Exits non-zero when a step failed.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seed=1
steps=100
desktops=()
load=""
program="$root/build/native/src/app/nivarra"
exe="$root/build/windows/src/app/Nivarra.exe"
usage() { sed -n '2,/^set /{/^#/s/^# \{0,1\}//p}' "$0"; exit "$1"; }
while (($#)); do
  case "$1" in
    --seed) seed="$2"; shift 2 ;;
    --steps) steps="$2"; shift 2 ;;
    --desktop) desktops+=("$2"); shift 2 ;;
    --load) load=1; shift ;;
    --program) program="$(realpath "$2")"; shift 2 ;;
    --exe) exe="$(realpath "$2")"; shift 2 ;;
    -h | --help) usage 0 ;;
    *) echo "torture: unknown argument $1" >&2; usage 2 >&2 ;;
  esac
done
((${#desktops[@]})) || desktops=(openbox openbox-xcompmgr xfwm4 icewm wine)
missing=()
for tool in Xorg openbox xfwm4 icewm tint2 xcompmgr xrandr wmctrl xdotool xmessage xprop xwininfo dbus-daemon python3; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
[[ " ${desktops[*]} " == *" wine "* ]] && { for tool in wine x86_64-w64-mingw32-gcc; do command -v "$tool" >/dev/null || missing+=("$tool"); done; [ -f "$exe" ] || missing+=("$exe"); }
[ -x "$program" ] || missing+=("$program")
if ((${#missing[@]})); then
  echo "torture: FAIL: missing ${missing[*]} (scripts/install-deps.sh installs the tools; build the programs first)" >&2
  exit 2
fi
shots="${NIVARRA_TORTURE_SHOTS:-/tmp/nivarra-torture}"
mkdir -p "$shots"
. "$root/tests/lib/desktop.sh"
helper=(python3 "$root/tests/lib/torture.py")

work="$(mktemp -d /tmp/nivarra-torture.XXXXXX)"
busy=()
stop_wine() {
  [ -d "${WINEPREFIX:-/nonexistent}" ] && { wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; }
  return 0
}
cleanup() {
  ((${#busy[@]})) && kill "${busy[@]}" 2>/dev/null
  stop_wine
  desktop_stop
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Two processes that keep both cores busy, as the faults showed under load.
if [ -n "$load" ]; then
  for _ in 1 2; do
    sh -c 'while :; do :; done' &
    busy+=($!)
  done
fi

# A desktop on its own X server with a root of a colour no artwork uses.
start_desktop() {
  desktop_start_xorg_dummy "$work/$1/xorg" || return 1
  case "$1" in
    openbox | openbox-xcompmgr | wine) desktop_start_openbox && desktop_start_panel ;;
    xfwm4) desktop_start_xfwm4 && desktop_start_panel ;;
    icewm) desktop_start_icewm ;;
    *) echo "torture: no desktop called $1" >&2; return 1 ;;
  esac || return 1
  case "$1" in
    openbox-xcompmgr | wine) desktop_start_compositor ;;
  esac
  case "$1" in
    openbox-xcompmgr | wine | xfwm4)
      desktop_wait 10 "${helper[@]}" composited || { echo "torture: no compositor on $1" >&2; return 1; } ;;
  esac
  "${helper[@]}" background ff00ff
}

failed=0
for desktop in "${desktops[@]}"; do
  started=$SECONDS
  start_desktop "$desktop" || { echo "FAIL $desktop: the desktop does not start"; failed=1; desktop_stop; continue; }
  args=(run --desktop "$desktop" --seed "$seed" --steps "$steps" --work "$work/$desktop" --shots "$shots"
    ${load:+--load})
  if [ "$desktop" = wine ]; then
    export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C
    # Wine reads the monitors when its server starts: on this desktop.
    wine wineboot --init >"$work/wineboot.log" 2>&1
    wineserver -w
    # It asks Wine which work areas it tells programs.
    x86_64-w64-mingw32-gcc -O2 -Wall -o "$work/probe.exe" "$root/tests/wine/probe.c" -lgdi32 -ladvapi32 ||
      { echo "FAIL $desktop: the probe does not build"; failed=1; desktop_stop; continue; }
    args+=(--program "$exe" --wine --probe "$work/probe.exe")
  else
    args+=(--program "$program")
  fi
  "${helper[@]}" "${args[@]}"
  status=$?
  # 143: a SIGTERM from outside ended the driver, not a check.
  ((status == 143)) && echo "FAIL $desktop: the run was ended from outside (SIGTERM)"
  ((status)) && failed=1
  [ "$desktop" = wine ] && stop_wine
  desktop_stop
  echo "== $desktop took $((SECONDS - started)) s"
done
exit "$failed"

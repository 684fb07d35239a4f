#!/usr/bin/env bash
# The Linux program end to end on a virtual X server, once on a bare screen
# and once with a compositor: where the globe appears, that it shows the
# scene inside its outline only, the menu on a right click and on the menu
# key, transparency, dragging, Exit writing the settings and the autostart
# entry, a restart restoring them, "add", a stored value of the wrong type,
# and SIGTERM saving on the way out.
#
#   tests/gtk/e2e.sh [path/to/nivarra]
#
# Needs Xvfb, xdotool, xcompmgr, ImageMagick (/usr/bin/convert) and python3.
# NIVARRA_E2E_SHOTS=DIR keeps the screenshots there.
set -uo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
program="$(realpath -m "${1:-$root/build/native/src/platform/gtk/nivarra}")"
convert=/usr/bin/convert  # another convert earlier in PATH may not be ImageMagick's

missing=()
for tool in Xvfb xdotool xcompmgr python3 "$convert"; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
[ -x "$program" ] || missing+=("$program")
if ((${#missing[@]})); then
  echo "e2e: FAIL: missing ${missing[*]}"
  exit 2
fi

work="$(mktemp -d)"
shots="${NIVARRA_E2E_SHOTS:-$work/shots}"
mkdir -p "$work/fb" "$shots"
# Only this script's own children still running are stopped.
cleanup() {
  local live
  live="$(jobs -pr)"
  [ -n "$live" ] && kill $live 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
check() {  # check NAME CONDITION-COMMAND...
  local name="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "PASS $((passed + failed)): $name"
  else
    failed=$((failed + 1))
    echo "FAIL $((passed + failed)): $name"
  fi
}

# Polls a command for up to $1 seconds.
wait_for() {
  local seconds="$1"
  shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS >= end)) && return 1
    sleep 0.1
  done
}

# --- pixels -------------------------------------------------------------------------
cat >"$work/pixels.py" <<'EOF'
import sys

def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    assert fields[0] == b"P6" and fields[3] == b"255", path
    return int(fields[1]), int(fields[2]), data[pos + 1:]

def pixel(image, x, y):
    w, h, px = image
    if not (0 <= x < w and 0 <= y < h):
        return None
    i = (y * w + x) * 3
    return px[i:i + 3]

def globe(base, shot, mask, left, top):
    # Outside the outline (white in the mask) the screen must be untouched;
    # inside, the scene differs from what was there before.
    base, shot, mask = read_ppm(base), read_ppm(shot), read_ppm(mask)
    outside_changed = inside = inside_changed = 0
    distance = 0
    for y in range(mask[1]):
        for x in range(mask[0]):
            before, after = pixel(base, left + x, top + y), pixel(shot, left + x, top + y)
            if before is None:
                continue
            if pixel(mask, x, y) == b"\xff\xff\xff":
                outside_changed += before != after
            else:
                inside += 1
                inside_changed += before != after
                distance += sum(abs(a - b) for a, b in zip(before, after))
    print(f"outside_changed={outside_changed} inside_changed={inside_changed / max(inside, 1):.3f} "
          f"inside_distance={distance / max(inside, 1) / 3:.2f}")

if __name__ == "__main__":
    globe(sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5]))
EOF
"$convert" "$root/assets/art/imgMask.bmp" "ppm:$work/mask.ppm"

screenshot() {  # screenshot NAME: the whole screen as $work/NAME.ppm and $shots/NAME.png
  sleep 0.3
  "$convert" "xwd:$work/fb/Xvfb_screen0" "ppm:$work/$1.ppm"
  "$convert" "$work/$1.ppm" "$shots/$1.png"
}
globe_stats() {  # globe_stats BASE SHOT X Y -> sets outside_changed, inside_changed, inside_distance
  eval "$(python3 "$work/pixels.py" "$work/$1.ppm" "$work/$2.ppm" "$work/mask.ppm" "$3" "$4")"
  echo "     $2: outside changed $outside_changed, inside changed $inside_changed, distance $inside_distance"
}

# --- the X server and the program ----------------------------------------------------
display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=":$n"
    break
  fi
done
[ -n "$display" ] || { echo "e2e: FAIL: no free display"; exit 2; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset -fbdir "$work/fb" >"$work/xvfb.log" 2>&1 &
export DISPLAY="$display"
if ! wait_for 10 xdotool getdisplaygeometry >/dev/null 2>&1; then
  echo "e2e: FAIL: Xvfb did not start"
  exit 2
fi

app_pid=""
start_globe() {  # start_globe LOG [ARG]
  local log="$1"
  shift
  XDG_CONFIG_HOME="$config" HOME="$home" "$program" "$@" >"$log" 2>&1 &
  app_pid=$!
}
# The ids of the program's visible windows of size (or not of size) WxH.
windows() {  # windows [-v] WxH
  local invert=""
  [ "$1" = -v ] && { invert=1; shift; }
  local w
  for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
    local size
    size="$(xdotool getwindowgeometry "$w" 2>/dev/null | awk '/Geometry/ {print $2}')"
    if [ -z "$invert" ] && [ "$size" = "$1" ]; then echo "$w"; fi
    if [ -n "$invert" ] && [ -n "$size" ] && [ "$size" != "$1" ] && [ "${size%x*}" -gt 40 ]; then echo "$w"; fi
  done
}
globe_window() { windows 300x260 | head -n 1; }
others_shown() { [ -n "$(windows -v 300x260)" ]; }
no_others_shown() { [ -z "$(windows -v 300x260)" ]; }
globe_shown() { [ -n "$(globe_window)" ]; }
position() {
  local w
  w="$(globe_window)"
  [ -n "$w" ] && xdotool getwindowgeometry "$w" | awk '/Position/ {print $2}'
}
at() { [ "$(position)" = "$1" ]; }
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
exit_code() {  # the program's exit code once it has ended
  wait_for 10 ended
  wait "$app_pid" 2>/dev/null
}
key() {
  local k
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.15
  done
}
menu_at() {  # right click at X Y; true when a menu opened
  xdotool mousemove "$1" "$2" click 3
  wait_for 5 others_shown
}
park_pointer() { xdotool mousemove 2 2; }
dismiss_message() {
  local w
  w="$(windows -v 300x260 | head -n 1)"
  [ -n "$w" ] && xdotool windowfocus --sync "$w" key Return 2>/dev/null
}
setting() { grep -qx "$1" "$config/nivarra/settings.ini" 2>/dev/null; }
in_range() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }

run_pass() {  # run_pass NAME COMPOSITED
  local pass="$1" composited="$2"
  echo "== $pass"
  config="$work/$pass/config"
  home="$work/$pass/home"
  mkdir -p "$config" "$home"
  local compositor=""
  if [ "$composited" = yes ]; then
    xcompmgr >"$work/$pass-xcompmgr.log" 2>&1 &
    compositor=$!
    sleep 1
  fi
  # First start: the bottom right corner of the work area.
  start_globe "$work/$pass-1.log"
  wait_for 10 globe_shown
  check "$pass: the globe appears at the bottom right of the work area (975,764)" wait_for 5 at 975,764
  park_pointer
  screenshot "$pass-globe"

  # The menu: on a right click, and on the menu key.
  check "$pass: a right click opens the menu" menu_at 1125 894
  key Down Down Down Down Right Down Right
  screenshot "$pass-menu"
  key Down Down Down Down Down Return  # Options > Transparent > 50%
  check "$pass: picking an item closes the menu" wait_for 5 no_others_shown
  park_pointer
  screenshot "$pass-faded"
  xdotool windowfocus --sync "$(globe_window)" 2>/dev/null
  xdotool key Menu
  check "$pass: the menu key opens the menu" wait_for 5 others_shown
  key Escape Escape
  wait_for 5 no_others_shown

  # Dragging with the left button; a right-button drag moves without a menu.
  xdotool mousemove 1125 894 mousedown 1
  local i
  for i in $(seq 10); do
    xdotool mousemove_relative -- -30 -20
    sleep 0.03
  done
  xdotool mouseup 1
  check "$pass: a left drag moves the globe to 675,564" wait_for 5 at 675,564
  xdotool mousemove 825 694 mousedown 3
  for i in $(seq 5); do
    xdotool mousemove_relative -- 20 10
    sleep 0.03
  done
  xdotool mouseup 3
  check "$pass: a right drag moves it on to 775,614" wait_for 5 at 775,614
  check "$pass: and opens no menu" no_others_shown

  # Exit from the menu writes the settings and the autostart entry.
  menu_at 925 744
  key Up Return
  exit_code
  check "$pass: Exit ends the program with 0" [ $? -eq 0 ]
  check "$pass: the settings hold the place and the transparency" \
    eval 'setting Left=int:775 && setting Top=int:614 && setting TrVal=int:5 && setting isSnowOn=int:1'
  check "$pass: the autostart entry runs the program" \
    grep -qx "Exec=$program" "$config/autostart/nivarra.desktop"

  # The screenshots against the desktop without the globe (taken now: a
  # compositor paints the desktop only once a window has shown).
  park_pointer
  screenshot "$pass-desktop"
  globe_stats "$pass-desktop" "$pass-globe" 975 764
  local opaque="$inside_distance"
  check "$pass: nothing is drawn outside the globe's outline" [ "$outside_changed" -eq 0 ]
  check "$pass: the scene fills the outline" in_range "$inside_changed" 0.6 1
  globe_stats "$pass-desktop" "$pass-faded" 975 764
  local ratio
  ratio="$(awk -v a="$inside_distance" -v b="$opaque" 'BEGIN { printf "%.2f", a / b }')"
  if [ "$composited" = yes ]; then
    check "$pass: 50% shows the desktop through the globe (contrast ratio $ratio, 0.57 expected)" \
      in_range "$ratio" 0.45 0.7
  else
    check "$pass: without a compositor the globe stays opaque at 50% (ratio $ratio)" in_range "$ratio" 0.85 1.15
  fi
  check "$pass: still nothing outside the outline" [ "$outside_changed" -eq 0 ]

  # A restart: the same place and transparency; SIGTERM saves and ends it.
  start_globe "$work/$pass-2.log"
  wait_for 10 globe_shown
  check "$pass: a restart puts the globe back at 775,614" wait_for 5 at 775,614
  park_pointer
  screenshot "$pass-restarted"
  globe_stats "$pass-desktop" "$pass-restarted" 775 614
  if [ "$composited" = yes ]; then
    ratio="$(awk -v a="$inside_distance" -v b="$opaque" 'BEGIN { printf "%.2f", a / b }')"
    check "$pass: and faded as it was (ratio $ratio)" in_range "$ratio" 0.45 0.7
  else
    check "$pass: and shows the scene in its outline" eval '[ "$outside_changed" -eq 0 ] && in_range "$inside_changed" 0.6 1'
  fi
  sed -i 's/^isSnowOn=.*/isSnowOn=int:7/' "$config/nivarra/settings.ini"
  kill -TERM "$app_pid"
  exit_code
  check "$pass: SIGTERM ends the program with 0" [ $? -eq 0 ]
  check "$pass: after saving the settings" setting isSnowOn=int:1

  # "add": another place on the work area.
  start_globe "$work/$pass-3.log" add
  wait_for 10 globe_shown
  sleep 0.5
  local place
  place="$(position)"
  check "$pass: \"add\" places the globe elsewhere ($place)" eval \
    '[ "$place" != 775,614 ] && in_range "${place%,*}" 0 975 && in_range "${place#*,}" 0 764'
  kill -TERM "$app_pid"
  exit_code

  # A stored value of the wrong type: a message, then the globe in its default place.
  sed -i 's/^Left=.*/Left=str:oops/' "$config/nivarra/settings.ini"
  start_globe "$work/$pass-4.log"
  check "$pass: a wrong-typed value brings up a message" wait_for 10 others_shown
  screenshot "$pass-message"
  check "$pass: which says what is wrong" grep -q "Invalid data type for 'Left'" "$work/$pass-4.log"
  wait_for 5 dismiss_message
  check "$pass: after it the globe appears at 975,764" wait_for 10 at 975,764
  park_pointer
  screenshot "$pass-after-message"
  globe_stats "$pass-desktop" "$pass-after-message" 975 764
  check "$pass: with the scene in its outline" eval '[ "$outside_changed" -eq 0 ] && in_range "$inside_changed" 0.3 1'
  kill -TERM "$app_pid"
  exit_code
  check "$pass: and it ends cleanly" [ $? -eq 0 ]

  if [ -n "$compositor" ]; then
    kill "$compositor" 2>/dev/null
    wait "$compositor" 2>/dev/null
    sleep 0.5
  fi
}

run_pass bare no
run_pass composited yes

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

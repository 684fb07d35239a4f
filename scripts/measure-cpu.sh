#!/usr/bin/env bash
# What the globe costs in CPU time on each desktop, in the states a user's
# globe is in: full snow and snow off at Normal speed, covered by another
# window, nobody able to see it (the screensaver on), and full snow and
# snow off at a Size of 200 %. Each desktop is a private virtual screen
# (Xvfb, openbox, xcompmgr); the globe starts with throwaway settings, is
# put into the state, settles, and then the CPU time (user + system, from
# /proc) of the program, the X server, the compositor, the window manager
# and, under Wine, Wine's server is taken over the measurement.
#
# In full snow the globe is measured against its floor in the same round:
# the least a program can do to present the snowfall, a window of the
# globe's size whose live area (200x165 pixels at 100 %) changes 50 times a
# second, put with XShmPutImage on Linux (tools/present-floor/xshm-floor)
# and with UpdateLayeredWindowIndirect and that dirty rectangle under Wine
# (ulw-floor.exe), both built with the project. The rounds interleave the
# globe's states and the floor, so that load elsewhere on the machine falls
# on both alike.
#
# Prints, per desktop, a Markdown table in % of one core: the median of
# the rounds for each process and their total, the spread of the total
# (lowest to highest round), the floor's total and the ratio of the two
# (the median of each round's ratio, and its spread). A measurement, not a
# test: it exits 0 unless it could not measure at all.
#
#   scripts/measure-cpu.sh [--seconds N] [--runs N] [--settle N] [--quick]
#                          [--states LIST] [--only linux|windows] [--outline round] [PROGRAM] [WINDOWS_EXE]
#
# 20 seconds, 4 rounds and 3 seconds to settle unless told; --quick is 5
# seconds and 1 round. --states picks states by name, separated by commas
# (snow, off, covered, hidden, snow-2x, off-2x; all unless told). PROGRAM
# (default build/native/src/app/nivarra) and WINDOWS_EXE (default
# build/windows/src/app/Nivarra.exe) may also be build directories; either
# program and its build's floor are built when missing. Whatever else runs
# on the machine shows in the figures: measure on a quiet one. The globe's
# window is shaped to its outline, which costs more per update than a
# rectangle (Wine even rebuilds a layered window's shape from its alpha
# channel at every update); with --outline round both floors are shaped to
# a round outline and transparent outside it, and pay for that too.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root="$PWD"

usage() { sed -n '/^#   scripts\/measure-cpu.sh/,/^#$/p' "$0" | sed '$d; s/^# *//'; }

seconds=20 runs=4 settle=3 only="" states="" outline=""
paths=()
while (($#)); do
  case "$1" in
    --seconds | --runs | --settle | --only | --states | --outline)
      [ $# -ge 2 ] || { usage >&2; exit 2; }
      declare "${1#--}=$2"
      shift 2
      ;;
    --quick) seconds=5 runs=1; shift ;;
    -h | --help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *) paths+=("$1"); shift ;;
  esac
done
program="${paths[0]:-build/native/src/app/nivarra}"
[ -d "$program" ] && program="$program/src/app/nivarra"
exe="${paths[1]:-build/windows/src/app/Nivarra.exe}"
[ -d "$exe" ] && exe="$exe/src/app/Nivarra.exe"
program="$(realpath -m "$program")"
exe="$(realpath -m "$exe")"

scripts/install-deps.sh
# shellcheck source=../tests/lib/desktop.sh
source "$root/tests/lib/desktop.sh"
work="$(mktemp -d /tmp/nivarra-cpu.XXXXXX)"
results="$work/results"  # one line per round and column: DESKTOP ROW COLUMN PERCENT ROUND
: >"$results"

# --- building ----------------------------------------------------------------------

# The build directory a program lies in, from its path below it.
build_dir_of() {  # build_dir_of PATH PATH_IN_BUILD
  [[ "$1" == */"$2" ]] && echo "${1%/"$2"}"
}
native_build="$(build_dir_of "$program" src/app/nivarra || echo "$root/build/native")"
windows_build="$(build_dir_of "$exe" src/app/Nivarra.exe || true)"
linux_floor="$native_build/tools/present-floor/xshm-floor"
windows_floor="${windows_build:-/nonexistent}/tools/present-floor/ulw-floor.exe"

build_linux() {
  [ -f "$native_build/CMakeCache.txt" ] || cmake --preset native -B "$native_build" >/dev/null || return 1
  cmake --build "$native_build" --target "$@"
}

need_linux_program() {
  [ -x "$program" ] && [ -x "$linux_floor" ] && return 0
  [ "$native_build" = "$root/build/native" ] || [ -d "$native_build" ] || return 1
  [ -x "$program" ] || build_linux nivarra || return 1
  [ -x "$linux_floor" ] || build_linux xshm-floor
  [ -x "$program" ] && [ -x "$linux_floor" ]
}

need_windows_exe() {
  [ -f "$exe" ] && [ -f "$windows_floor" ] && return 0
  [ -n "$windows_build" ] || return 1
  build_linux layout-tool artgen || return 1
  if ! [ -f "$windows_build/CMakeCache.txt" ]; then
    cmake --preset windows -B "$windows_build" -DNIVARRA_HOST_TOOLS_DIR="$native_build/tools" >/dev/null || return 1
  fi
  [ -f "$exe" ] || cmake --build "$windows_build" --target Nivarra || return 1
  [ -f "$windows_floor" ] || cmake --build "$windows_build" --target ulw-floor
  [ -f "$exe" ] && [ -f "$windows_floor" ]
}

# --- what is measured ----------------------------------------------------------------

rows=(snow off covered hidden snow-2x off-2x)
if [ -n "$states" ]; then
  IFS=, read -r -a rows <<<"$states"
  for row in "${rows[@]}"; do
    [[ " snow off covered hidden snow-2x off-2x " == *" $row "* ]] || { usage >&2; exit 2; }
  done
fi
# The floor's scale for a state measured against it.
floor_scale() {  # floor_scale ROW
  case "$1" in
    snow) echo 1 ;;
    snow-2x) echo 2 ;;
    *) return 1 ;;
  esac
}
row_title() {
  case "$1" in
    snow) echo "full snow, Normal speed" ;;
    off) echo "snow off, Normal speed" ;;
    covered) echo "covered by a window (full snow)" ;;
    hidden) echo "nobody can see: screensaver on (full snow)" ;;
    snow-2x) echo "full snow, 2x (Size 200)" ;;
    off-2x) echo "snow off, 2x (Size 200)" ;;
  esac
}
column_title() {
  case "$1" in
    program) echo "program" ;;
    xserver) echo "X server" ;;
    wineserver) echo "wineserver" ;;
    compositor) echo "compositor" ;;
    wm) echo "window manager" ;;
    total) echo "total" ;;
    floor) echo "floor" ;;
    ratio) echo "ratio" ;;
  esac
}

# Where the globe stands: clear of the screen's edges at either size, with
# room around it for the window that covers it.
globe_left=200 globe_top=150

# The user and system time a process has used, in clock ticks; nothing
# when it is gone.
cpu_ticks() {
  local stat
  [ -n "$1" ] && stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 0
  # Fields from the third on (state first), after the command's name in brackets.
  read -r -a stat <<<"${stat##*) }"
  echo $((stat[11] + stat[12]))
}

# Appends one line per process to the results: its CPU use over the next
# $seconds seconds, in % of one core; the total of them too (as "total";
# for the floor's processes "floor-" before each column, and "floor").
sample() {  # sample DESKTOP ROW ROUND total|floor COLUMN=PID...
  local desktop="$1" row="$2" round="$3" total="$4" entry before=() after=() started ended i=0
  shift 4
  started="$(date +%s%N)"
  for entry; do before+=("$(cpu_ticks "${entry#*=}")"); done
  sleep "$seconds"
  for entry; do after+=("$(cpu_ticks "${entry#*=}")"); done
  ended="$(date +%s%N)"
  for entry; do
    echo "${entry%%=*} ${before[i]:-x} ${after[i]:-x}"
    i=$((i + 1))
  done | awk -v desktop="$desktop" -v row="$row" -v round="$round" -v label="$total" -v tick="$(getconf CLK_TCK)" \
    -v ns=$((ended - started)) '
    $2 == "x" || $3 == "x" { gone = 1; next }
    { percent = 100 * ($3 - $2) / tick / (ns / 1e9); sum += percent
      print desktop, row, (label == "total" ? "" : "floor-") $1, percent, round }
    END { if (!gone) print desktop, row, label, sum, round }' >>"$results"
}

# The globe's window (or another CLASS's), once it shows at its size
# (WxH), within 30 seconds.
wait_for_globe() {  # wait_for_globe WxH [CLASS]
  local size="$1" end=$((SECONDS + 30)) w
  while ((SECONDS < end)); do
    for w in $(xdotool search --onlyvisible --class "${2:-nivarra}" 2>/dev/null); do
      [ "$(xdotool getwindowgeometry "$w" 2>/dev/null | awk '/Geometry/ {print $2}')" = "$size" ] && return 0
    done
    sleep 0.1
  done
  return 1
}

# One run of one row on one desktop: the globe started with the row's
# settings, put into its state, left to settle, measured and ended. The
# desktop's functions: DESKTOP_start SETTING=VALUE..., DESKTOP_processes,
# DESKTOP_cover and DESKTOP_hide (where the desktop has a screensaver),
# each "on SIZE_PERCENT" and "off", and DESKTOP_stop.
measure_run() {  # measure_run DESKTOP ROW ROUND
  local desktop="$1" row="$2" round="$3" snow=1 size=100 state=""
  case "$row" in
    off | off-2x) snow=0 ;;
  esac
  case "$row" in
    *-2x) size=200 ;;
    covered) state=cover ;;
    hidden) state=hide ;;
  esac
  if [ "$state" = hide ] && ! declare -F "${desktop}_hide" >/dev/null; then
    echo "$desktop $row n/a" >>"$results"
    return 0
  fi
  # Not always on top, so that a window opened later covers it.
  "${desktop}_start" isSnowOn=$snow iSpeed=1 Size=$size TrVal=0 OnTop=0 Left=$globe_left Top=$globe_top
  local width=$((300 * size / 100)) height=$((260 * size / 100))
  if ! wait_for_globe "${width}x${height}"; then
    echo "measure-cpu: $desktop, $(row_title "$row"): the globe did not show" >&2
    "${desktop}_stop"
    return 0
  fi
  [ -n "$state" ] && "${desktop}_$state" on "$size"
  sleep "$settle"
  # shellcheck disable=SC2046  # one word per process
  sample "$desktop" "$row" "$round" total $("${desktop}_processes")
  [ -n "$state" ] && "${desktop}_$state" off
  "${desktop}_stop"
}

# The floor of a state in one round, at the state's scale, where the globe
# stands. The desktop's functions: DESKTOP_floor_start SCALE,
# DESKTOP_floor_class, DESKTOP_floor_processes and DESKTOP_floor_stop.
measure_floor() {  # measure_floor DESKTOP ROW ROUND
  local desktop="$1" row="$2" round="$3" scale
  scale="$(floor_scale "$row")" || return 0
  "${desktop}_floor_start" "$scale"
  if ! wait_for_globe "$((300 * scale))x$((260 * scale))" "$("${desktop}_floor_class")"; then
    echo "measure-cpu: $desktop, the floor at ${scale}x did not show" >&2
    "${desktop}_floor_stop"
    return 0
  fi
  sleep "$settle"
  # shellcheck disable=SC2046  # one word per process
  sample "$desktop" "$row" "$round" floor $("${desktop}_floor_processes")
  "${desktop}_floor_stop"
}

# The place and size of a window over the whole globe, and some of the
# desktop around it: X Y W H.
cover_rectangle() {  # cover_rectangle SIZE_PERCENT
  echo $((globe_left - 10)) $((globe_top - 10)) $((300 * $1 / 100 + 20)) $((260 * $1 / 100 + 20))
}

# Every row, in $runs rounds, on one desktop; in each round a row measured
# against the floor has the floor measured right after it.
measure_desktop() {  # measure_desktop DESKTOP
  local row run
  for ((run = 1; run <= runs; run++)); do
    for row in "${rows[@]}"; do
      echo "measure-cpu: $1, $(row_title "$row"), round $run of $runs" >&2
      measure_run "$1" "$row" "$run"
      measure_floor "$1" "$row" "$run"
    done
  done
}

# The private screen both desktops run on: openbox stacks and places
# windows as on a user's desktop, xcompmgr draws the globe's per-pixel alpha.
start_screen() {  # start_screen NAME
  desktop_start_xvfb "$work/$1-screen" && desktop_start_openbox && desktop_start_compositor
}

# --- Linux ------------------------------------------------------------------------

linux_globe_pid=""
linux_screensaver=""  # the screensaver's command line, while it runs

linux_start() {  # linux_start NAME=VALUE...: the globe with these settings
  local config="$work/linux-config" setting
  rm -rf "$config"
  mkdir -p "$config/nivarra" "$work/linux-home"
  {
    echo '[Nivarra]'
    for setting; do
      case "$setting" in
        isSnowOn=* | OnTop=*) [ "${setting#*=}" = 1 ] && echo "${setting%=*}=true" || echo "${setting%=*}=false" ;;
        *) echo "$setting" ;;
      esac
    done
  } >"$config/nivarra/settings.ini"
  XDG_CONFIG_HOME="$config" HOME="$work/linux-home" "$program" >>"$work/linux-globe.log" 2>&1 &
  linux_globe_pid=$!
}

linux_processes() {
  echo "program=$linux_globe_pid xserver=$DESKTOP_X_PID compositor=$DESKTOP_COMPOSITOR_PID wm=$DESKTOP_WM_PID"
}

linux_floor_pid=""
linux_floor_start() {  # linux_floor_start SCALE
  "$linux_floor" --scale "$1" --at "$globe_left,$globe_top" ${outline:+--outline "$outline"} >>"$work/linux-floor.log" 2>&1 &
  linux_floor_pid=$!
}
linux_floor_class() { echo xshm-floor; }
linux_floor_processes() {
  echo "program=$linux_floor_pid xserver=$DESKTOP_X_PID compositor=$DESKTOP_COMPOSITOR_PID wm=$DESKTOP_WM_PID"
}
linux_floor_stop() {
  kill -TERM "$linux_floor_pid" 2>/dev/null
  end_within 10 "$linux_floor_pid"
}

linux_cover() {  # linux_cover on SIZE_PERCENT | linux_cover off: a plain window over the globe
  if [ "$1" = on ]; then
    local x y w h
    read -r x y w h <<<"$(cover_rectangle "$2")"
    xmessage -geometry "${w}x${h}+$x+$y" -bg grey25 "over the globe" 2>/dev/null &
    linux_cover_pid=$!
    wait_for_window xmessage
  else
    kill "$linux_cover_pid" 2>/dev/null
    wait "$linux_cover_pid" 2>/dev/null
  fi
  return 0
}

linux_hide() {  # linux_hide on|off: the screensaver comes on or goes off
  [ "$1" = on ] && echo true >&"$linux_screensaver" || echo false >&"$linux_screensaver"
}

linux_stop() {
  kill -TERM "$linux_globe_pid" 2>/dev/null
  end_within 10 "$linux_globe_pid"
}

# A session bus of the desktop's own, with nothing on it to start on
# demand, and the screensaver on it.
linux_session() {
  command -v dbus-daemon >/dev/null || { echo "measure-cpu: no dbus-daemon, so no screensaver" >&2; return 1; }
  # shellcheck disable=SC2046  # the compiler's and linker's options
  cc -O2 -o "$work/screensaver" "$root/tests/lib/screensaver.c" $(pkg-config --cflags --libs gio-2.0) ||
    return 1
  cat >"$work/bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  dbus-daemon --config-file="$work/bus.conf" --nofork --nopidfile >"$work/bus.log" 2>&1 &
  DESKTOP_PIDS+=($!)
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
  desktop_wait 10 test -S "$work/bus" || return 1
  exec {linux_screensaver}> >(exec "$work/screensaver" >"$work/screensaver.out")
  DESKTOP_PIDS+=($!)
  desktop_wait 10 grep -q ready "$work/screensaver.out"
}

linux_desktop() {
  need_linux_program || { echo "measure-cpu: no Linux program at $program, and it could not be built" >&2; return 1; }
  start_screen linux || return 1
  # No accessibility bus: nothing on the private session bus provides one.
  export NO_AT_BRIDGE=1
  if ! linux_session; then
    unset -f linux_hide
    echo "measure-cpu: the private session bus did not start: no screensaver row" >&2
  fi
  measure_desktop linux
  [ -n "$linux_screensaver" ] && exec {linux_screensaver}>&-
  unset DBUS_SESSION_BUS_ADDRESS NO_AT_BRIDGE
}

# --- Windows, under Wine ---------------------------------------------------------------

windows_globe_pid=""  # the process running the program
windows_launcher=""   # the wine command that started it

# A process of this prefix whose command's file name begins with NAME
# (Wine's loader takes the program's path as its first argument; the
# server is wineserver64 or wineserver32).
wine_process() {  # wine_process NAME
  local proc first
  for proc in /proc/[0-9]*; do
    IFS= read -r -d '' first <"$proc/cmdline" 2>/dev/null || continue
    first="${first##*[/\\]}"
    [[ "$first" == "$1"* ]] || continue
    tr '\0' '\n' <"$proc/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && { echo "${proc#/proc/}"; return 0; }
  done
  return 1
}

windows_start() {  # windows_start NAME=VALUE...: the globe with these values in the registry
  local setting
  {
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Nivarra]\r\n'
    for setting; do printf '"%s"=dword:%08x\r\n' "${setting%=*}" "${setting#*=}"; done
  } >"$work/settings.reg"
  wine reg import "$(wine winepath -w "$work/settings.reg" 2>/dev/null)" >/dev/null 2>&1
  wine "$exe" >>"$work/windows-globe.log" 2>&1 &
  windows_launcher=$!
  desktop_wait 30 wine_process Nivarra.exe
  windows_globe_pid="$(wine_process Nivarra.exe)"
}

windows_processes() {
  echo "program=$windows_globe_pid xserver=$DESKTOP_X_PID wineserver=$(wine_process wineserver)" \
    "compositor=$DESKTOP_COMPOSITOR_PID wm=$DESKTOP_WM_PID"
}

windows_floor_pid="" windows_floor_launcher=""
windows_floor_start() {  # windows_floor_start SCALE
  wine "$windows_floor" --scale "$1" --at "$globe_left,$globe_top" ${outline:+--outline "$outline"} \
    >>"$work/windows-floor.log" 2>&1 &
  windows_floor_launcher=$!
  desktop_wait 30 wine_process ulw-floor.exe
  windows_floor_pid="$(wine_process ulw-floor.exe)"
}
# Wine names the X class of a program's windows after its executable.
windows_floor_class() { echo ulw-floor.exe; }
windows_floor_processes() {
  echo "program=$windows_floor_pid xserver=$DESKTOP_X_PID wineserver=$(wine_process wineserver)" \
    "compositor=$DESKTOP_COMPOSITOR_PID wm=$DESKTOP_WM_PID"
}
windows_floor_stop() {
  [ -n "$windows_floor_pid" ] && kill -TERM "$windows_floor_pid" 2>/dev/null
  end_within 10 "$windows_floor_pid"
  wait "$windows_floor_launcher" 2>/dev/null
  windows_floor_pid=""
}

windows_cover() {  # windows_cover on SIZE_PERCENT | windows_cover off: a plain Windows window over the globe
  if [ "$1" = on ]; then
    # The probe looks for messages every 50 ms: some of the server's time is the probe's.
    # shellcheck disable=SC2046  # X Y W H
    wine "$work/probe.exe" cover $(cover_rectangle "$2") $((settle + seconds + 30)) normal >/dev/null 2>&1 &
    windows_cover_pid=$!
    wait_for_window probe.exe
  else
    kill "$(wine_process probe.exe)" "$windows_cover_pid" 2>/dev/null
    wait "$windows_cover_pid" 2>/dev/null
  fi
  return 0
}

windows_stop() {
  [ -n "$windows_globe_pid" ] && kill -TERM "$windows_globe_pid" 2>/dev/null
  end_within 10 "$windows_globe_pid"
  wait "$windows_launcher" 2>/dev/null
  windows_globe_pid=""
}

windows_desktop() {
  for tool in wine wineserver x86_64-w64-mingw32-gcc; do
    command -v "$tool" >/dev/null || { echo "measure-cpu: $tool is missing" >&2; return 1; }
  done
  need_windows_exe || { echo "measure-cpu: no Windows program at $exe, and it could not be built" >&2; return 1; }
  start_screen windows || return 1
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  echo "measure-cpu: preparing a Wine prefix" >&2
  wine wineboot --init >"$work/wineboot.log" 2>&1
  wineserver -w
  x86_64-w64-mingw32-gcc -O2 -o "$work/probe.exe" "$root/tests/wine/probe.c" -lgdi32 -ladvapi32 || return 1
  # One server for every run, as a user's session has.
  wineserver -p
  measure_desktop windows
  wineserver -k
  wineserver -w
  unset WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
}

# --- helpers of both ---------------------------------------------------------------

# Ends a process that would not end in SECONDS.
end_within() {  # end_within SECONDS PID
  desktop_wait "$1" sh -c "! kill -0 $2" || kill -KILL "$2" 2>/dev/null
  wait "$2" 2>/dev/null
  return 0
}

# Waits for a visible window of a class, and a moment for it to be drawn.
wait_for_window() {  # wait_for_window CLASS
  desktop_wait 10 xdotool search --onlyvisible --class "$1" && sleep 0.3
}

# --- the tables --------------------------------------------------------------------

# One cell of a table: the median of the rounds of a row's column, with
# the lowest and highest round for the totals and the ratio (a round's
# total over its floor's).
table_cell() {  # table_cell DESKTOP ROW COLUMN
  awk -v d="$1" -v r="$2" -v c="$3" '
    $1 == d && $2 == r && $3 == "total" { total[$5] = $4 }
    $1 == d && $2 == r && $3 == "floor" { floor[$5] = $4 }
    $1 == d && $2 == r && $3 == c && c != "ratio" { v[++n] = $4 }
    END {
      if (c == "ratio") for (round in total) if (round in floor && floor[round] > 0) v[++n] = total[round] / floor[round]
      if (!n) { print "-"; exit }
      for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
      format = c == "ratio" ? "%.2fx" : "%.2f"
      printf format, n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
      if (c ~ /^(total|floor|ratio)$/ && n > 1) printf " [" format "-" format "]", v[1], v[n]
    }' "$results"
}

# Per desktop, a Markdown table: a line per row, and under a row measured
# against the floor the floor's own processes.
print_table() {  # print_table DESKTOP TITLE COLUMN...
  local desktop="$1" title="$2" row column line scale
  shift 2
  echo
  echo "### $title: CPU time in % of one core, median of $runs round(s) of ${seconds} s [lowest-highest]"
  echo
  line="| state |"
  for column in "$@" total floor ratio; do line+=" $(column_title "$column") |"; done
  echo "$line"
  line="|---|"
  for column in "$@" total floor ratio; do line+="---:|"; done
  echo "$line"
  for row in "${rows[@]}"; do
    line="| $(row_title "$row") |"
    for column in "$@" total floor ratio; do
      if grep -q "^$desktop $row n/a" "$results"; then
        line+=" n/a |"
      else
        line+=" $(table_cell "$desktop" "$row" "$column") |"
      fi
    done
    echo "$line"
    scale="$(floor_scale "$row")" || continue
    line="| the floor at ${scale}x |"
    for column in "$@"; do line+=" $(table_cell "$desktop" "$row" "floor-$column") |"; done
    echo "$line $(table_cell "$desktop" "$row" floor) | | |"
  done
}

# How thick the snow is over a full-snow measurement, from the scene's own
# trace: it starts at its thickest and thins out at first.
snow_note() {
  local render="$native_build/tools/globe-render" frames
  [ -x "$render" ] || build_linux globe-render >/dev/null 2>&1 || return 0
  frames=$(((settle + 1 + seconds) * 50))
  "$render" --frames "$frames" --trace --snow on 2>/dev/null | awk -v first=$(((settle + 1) * 50)) -v last="$frames" '
    { split($7, snow, /[=,]/); flakes = snow[2] + snow[3] + snow[4] }
    NR == first { from = flakes } NR == last { to = flakes }
    END { if (to != "") printf "\nFull snow: about %d flakes in the glass as a measurement begins, %d as it ends" \
      " (the density starts at its highest and sinks for a minute and a half; globe-render'"'"'s trace).\n", from, to }'
}

cleanup() {
  set +e
  [ -n "${WINEPREFIX:-}" ] && { wineserver -k; wineserver -w; } >/dev/null 2>&1
  desktop_stop
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

echo "measure-cpu: $runs round(s) of ${seconds} s per state after ${settle} s to settle; load now:$(uptime | sed 's/.*load average://')" >&2
measured=0
# Each desktop's table once both have run, so that the tables stand together.
if [ "$only" != windows ]; then
  linux_desktop && linux_measured=1
  desktop_stop
fi
if [ "$only" != linux ]; then
  windows_desktop && windows_measured=1
  desktop_stop
fi
if [ -n "${linux_measured:-}" ]; then
  print_table linux "Linux (GTK, X11; floor: XShmPutImage${outline:+, $outline outline})" program xserver compositor wm
  measured=1
fi
if [ -n "${windows_measured:-}" ]; then
  print_table windows "Windows (under Wine; floor: UpdateLayeredWindowIndirect${outline:+, $outline outline})" program xserver wineserver compositor wm
  measured=1
fi
((measured)) && snow_note
echo "measure-cpu: load at the end:$(uptime | sed 's/.*load average://')" >&2
((measured)) || { echo "measure-cpu: nothing could be measured" >&2; exit 1; }
exit 0

#!/usr/bin/env bash
# Renders the README's pictures with globe-render: the globe by day and by
# night (docs/globe-day.png, docs/globe-night.png), two seconds of
# snowfall at Normal speed as an animated GIF (docs/globe-snowfall.gif), the
# globe shaken back and forth and settling (docs/globe-shake.gif), and
# the Real time sky in Paris on 7 December in the morning, at noon, at
# sunset and at night (docs/globe-realtime-*.png), and the globe at dusk
# as a screen at 200 % shows it (docs/globe-2x.png), and the plaque at 2x
# in German, Russian, Polish and Ukrainian (docs/plaque-<language>.png). The simulation is
# deterministic, so the pictures come out the same each run.
#
#   scripts/make-readme-art.sh [BUILD_DIR]
#
# BUILD_DIR (default build/native, configured with the native preset) is
# where globe-render is built.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if ! [ -x /usr/bin/convert ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y -q imagemagick
fi
build=${1:-build/native}
[ -f "$build/CMakeCache.txt" ] || cmake --preset native -B "$build" >/dev/null
cmake --build "$build" --target globe-render

render=$build/tools/globe-render
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
now=2026-12-07T12:00

# At the fastest speed the sky passes day at frame 1100 and night at 4700.
"$render" --speed quickly --now "$now" --frames 4700 --out "$work/cycle" --every 100
mkdir -p docs
cp "$work/cycle/frame-0001100.png" docs/globe-day.png
cp "$work/cycle/frame-0004700.png" docs/globe-night.png

# Two seconds at Normal speed, every second frame (25 frames a second),
# after the first second so the flakes are spread through the glass.
"$render" --now "$now" --frames 150 --out "$work/snow" --every 2
/usr/bin/convert -delay 4 -loop 0 $(ls "$work"/snow/*.png | tail -n 50) \
  -layers OptimizeTransparency +dither -colors 255 docs/globe-snowfall.gif

# Four seconds at Normal speed, every second frame: snowfall for a moment,
# then the window is shaken 24 pixels a frame left and right (three frames
# each way, twice) and the snow settles again.
shake=$(for i in $(seq 0 12); do
  [ $(( i / 3 % 2 )) -eq 0 ] && dx=24 || dx=-24
  printf '%d:%d,0,' $(( 150 + i )) $dx
done)
"$render" --now "$now" --frames 340 --shake "${shake%,}" --out "$work/shake" --every 2
/usr/bin/convert -delay 4 -loop 0 $(ls "$work"/shake/*.png | tail -n 100) \
  -layers OptimizeTransparency +dither -colors 255 docs/globe-shake.gif

# Real time in Paris (sunrise 8:30, sunset 16:53), with the zone as a rule
# so that no time-zone database is needed; the last of three seconds, when
# the snow is spread through the glass.
for still in morning=09:15 noon=12:45 sunset=16:35 night=22:00; do
  "$render" --speed realtime --zone "CET-1CEST,M3.5.0,M10.5.0/3" --latitude 48.86 --longitude 2.35 \
    --now "2026-12-07T${still#*=}" --frames 150 --every 150 --out "$work/${still%=*}"
  cp "$work/${still%=*}/frame-0000150.png" "docs/globe-realtime-${still%=*}.png"
done
# At 2x: every picture drawn at twice the size, not the 1x frame enlarged.
"$render" --speed quickly --now "$now" --frames 3000 --every 3000 --scale 2 --out "$work/2x"
cp "$work/2x/frame-0003000.png" docs/globe-2x.png
# The plaque in other languages, each on a day whose count shows another
# plural form: 24 Tage, 21 день, 2 dni, 5 днів.
for still in de=2026-12-01 ru=2026-12-04 pl=2026-12-23 uk=2026-12-20; do
  "$render" --language "${still%=*}" --now "${still#*=}T12:00" --frames 1 --scale 2 --out "$work/${still%=*}"
  /usr/bin/convert "$work/${still%=*}/frame-0000001.png" -crop 300x110+150+330 +repage "docs/plaque-${still%=*}.png"
done

ls -l docs/globe-2x.png docs/globe-day.png docs/globe-night.png docs/globe-snowfall.gif docs/globe-shake.gif \
  docs/globe-realtime-*.png docs/plaque-*.png

#!/usr/bin/env bash
# Renders the README's pictures with globe-render: the globe by day and by
# night (docs/globe-day.png, docs/globe-night.png) and two seconds of
# snowfall at Normal speed as an animated GIF (docs/globe-snowfall.gif).
# The simulation is deterministic, so the stills come out the same each run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if ! [ -x /usr/bin/convert ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y -q imagemagick
fi
cmake --preset native >/dev/null
cmake --build --preset native --target globe-render

render=build/native/tools/globe-render
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
ls -l docs/globe-day.png docs/globe-night.png docs/globe-snowfall.gif

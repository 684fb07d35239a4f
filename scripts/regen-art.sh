#!/usr/bin/env bash
# Redraws the scene's artwork: builds artgen and writes every picture to
# assets/art/ (and drawn at 2x and 3x to assets/art-2x/ and assets/art-3x/),
# with the plaque's word in every language of po/,
# the contact sheet to docs/art-sheet.png and a composed still of the globe
# to docs/art-still.png. The committed files are exactly this
# script's output; artgen draws the same bytes on every run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target artgen
if [ ! -x build/native/tools/artgen ]; then
  echo "artgen was not built: cairo (libcairo2-dev) is missing" >&2
  exit 1
fi

mkdir -p assets/art assets/art-2x assets/art-3x docs
rm -f assets/art*/*.png assets/art*/*.bmp
build/native/tools/artgen assets/art --words po --sheet docs/art-sheet.png --still docs/art-still.png
build/native/tools/artgen assets/art-2x --scale 2 --words po
build/native/tools/artgen assets/art-3x --scale 3 --words po
build/native/tools/artgen --cycle docs/art-cycle.png
echo "artwork written to assets/art*/ and docs/art-*.png"

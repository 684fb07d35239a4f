#!/usr/bin/env bash
# Builds the program's native tools and shows the PNG reader at work on the
# sample pictures and the artwork, then loads the globe window's layout with
# all its pictures. (The globe itself arrives with the window.)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target png-decode layout-tool globe_resources

for f in fuzz/corpus/png/*.png assets/art/*.png; do
  printf '%-40s ' "$(basename "$f")"
  build/native/tools/png-decode "$f" || true
done
echo
build/native/tools/layout-tool load build/native/assets/frmMain.tpf0

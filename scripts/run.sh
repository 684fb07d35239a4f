#!/usr/bin/env bash
# Builds the program's native tools and shows the PNG reader at work on the
# sample pictures. (The globe itself arrives with the window.)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target png-decode

for f in fuzz/corpus/png/*.png; do
  printf '%-40s ' "$(basename "$f")"
  build/native/tools/png-decode "$f" || true
done

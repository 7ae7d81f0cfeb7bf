#!/usr/bin/env bash
# Regenerates the committed artwork (program icons, keypad picture, pressed-key images) from
# tools/artgen into the source tree. Usage: scripts/regenerate-artwork.sh [build dir]
# The font is the build's VANTOR_FONT_FILE; commit the changed files afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -G Ninja
fi
cmake --build "$build" -j2 --target artgen
font="$(sed -n 's/^VANTOR_FONT_FILE:FILEPATH=//p' "$build/CMakeCache.txt")"
# Pressed images of slots that no longer exist must not linger.
rm -f vantor1/res/key_*.bmp
"$build/bin/artgen" --out-vantor vantor/res --out-vantor1 vantor1/res ${font:+--font "$font"}
echo "Artwork written to vantor/res and vantor1/res."

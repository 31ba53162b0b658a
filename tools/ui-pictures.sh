#!/usr/bin/env bash
# Renders pictures of the interface into <out dir>: icons.png (every built-in
# icon at 16, 20 and 32 pixels), controls.png (a window with every control the
# style sheet styles) and cards.png / cards@2.png (the media cards at device
# pixel ratio 1 and 2). Runs under a virtual display.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: bash tools/ui-pictures.sh <out dir>" >&2
  exit 2
fi
mkdir -p "$1"
out="$(cd "$1" && pwd)"
cd "$(dirname "$0")/.."
command -v xvfb-run >/dev/null || bash tools/deps.sh --test
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target zorvi-uisheet
tool=build/tools/uisheet/zorvi-uisheet
for sheet in icons controls cards; do
  xvfb-run -a -s "-screen 0 1920x1080x24" "$tool" "$sheet" "$out/$sheet.png"
done
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 3840x2160x24" "$tool" cards "$out/cards@2.png"

#!/usr/bin/env bash
# One picture of every view of the interface: builds the sample media into
# <output folder>/media and writes the pictures into <output folder>.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: bash tools/screenshots.sh <output folder>" >&2
  exit 2
fi
mkdir -p "$1"
out="$(cd "$1" && pwd)"
cd "$(dirname "$0")/.."
command -v ffmpeg >/dev/null || bash tools/deps.sh --test
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target zorvi-player
media="$out/media"
[ -f "$media/Videos/Clipes/Fractal.mkv" ] || bash tools/make-sample-media.sh "$media" >/dev/null
export ZORVIPLAYER_NO_DIALOGS=1
# Pictures need no sound, and a machine without a sound card cannot play an
# audio file through a real output.
export ZORVIPLAYER_OPT="${ZORVIPLAYER_OPT:-ao=null}"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  ./build/zorvi-player --screenshots "$out" "$media"
else
  command -v xvfb-run >/dev/null || bash tools/deps.sh --test
  xvfb-run -a -s "-screen 0 1920x1080x24" ./build/zorvi-player --screenshots "$out" "$media"
fi

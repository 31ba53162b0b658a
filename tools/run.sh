#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player. Without a display
# (no X11 and no Wayland) it cannot show a window, so it checks the player
# instead: generated demo media go through the self-test and the screenshot
# routine under a virtual display, and the report and pictures are printed.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  bash tools/deps.sh
  bash tools/build.sh
  exec ./build/zorvi-player "$@"
fi

echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): running the player"
echo "under a virtual display on generated demo media instead of opening a window."
bash tools/deps.sh --test
bash tools/build.sh
demo="$PWD/build/demo"
media="$demo/media"
shots="$demo/screenshots"
report="$demo/selftest.txt"
if [ ! -f "$media/Videos/Fractal.mkv" ]; then
  rm -rf "$media"
  bash tools/make-sample-media.sh "$media" >/dev/null
fi
rm -rf "$shots"
mkdir -p "$shots"
virtual() { xvfb-run -a -s "-screen 0 1920x1080x24" dbus-run-session -- "$@"; }
export ZORVIPLAYER_NO_DIALOGS=1
# Pictures need no sound, and a machine without a sound card cannot play an
# audio file through a real output.
export ZORVIPLAYER_OPT="${ZORVIPLAYER_OPT:-ao=null}"

status=0
echo
echo "== self-test =="
virtual ./build/zorvi-player --selftest "$report" \
  "$media/Musicas/Aurora Lenta/02 - Vento Sul.mp3" "$media/Musicas/Trio Maré/01 - Ondas.mp3" \
  >/dev/null || status=1
cat "$report" 2>/dev/null || echo "no report was written"

echo
echo "== screenshots =="
virtual ./build/zorvi-player --screenshots "$shots" "$media" || status=1
echo
echo "Self-test report: $report"
echo "Pictures of every view: $shots"
exit $status

#!/usr/bin/env bash
# Starts the built player on a virtual display with one media file, waits for
# playback to settle and writes a PNG of the screen.
# Usage: tools/screenshot-playing.sh <media file> <output.png> [seconds to wait]
set -euo pipefail
cd "$(dirname "$0")/.."
media=$(realpath "$1")
out=$(realpath -m "$2")
wait_s=${3:-8}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1920x1080x24" dbus-run-session -- bash -c '
  HOME="$1" XDG_DATA_HOME="$1/data" XDG_CONFIG_HOME="$1/config" ZORVIPLAYER_NO_DIALOGS=1 \
    ./build/zorvi-player "$2" >/dev/null 2>&1 &
  pid=$!
  sleep "$4"
  scrot -o "$3"
  kill "$pid"
  wait "$pid" || true
' _ "$home" "$media" "$out" "$wait_s"
echo "$out"

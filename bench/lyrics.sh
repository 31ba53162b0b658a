#!/usr/bin/env bash
# Lyrics benchmark (bench_lyrics): the parser on a generated 1 MiB,
# 20,000-line LRC against a bare split-and-match loop over the same text, then
# the now-playing page under a virtual display: setTrack to a filled list and
# one highlight update over 2,000 lines, and the longest GUI-thread stall
# while loading a 1 MiB side file, an MP3 with a 20 MB picture and USLT
# lyrics, and a 5,000-line side file (with the idle machine's own stall
# beside them). Usage: bench/lyrics.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
bench_build bench_lyrics
bin=build/bench/bench_lyrics
"$bin" parse 2>/dev/null
if [ -n "${DISPLAY:-}" ]; then
  "$bin" page 2>/dev/null
else
  xvfb-run -a -s "-screen 0 1920x1080x24" "$bin" page 2>/dev/null
fi

#!/usr/bin/env bash
# Equalizer benchmark (bench_equalizer), headless under a virtual display:
# 240 steps of a band slider while a tone plays, each timed on the GUI thread,
# against a bare loop sending the same eleven filter commands to the engine;
# then the longest GUI-thread stall while opening each dialog and while
# moving each of its sliders during playback. Needs ffmpeg.
# Usage: bench/equalizer.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
bench_build bench_equalizer
export ZORVIPLAYER_OPT="${ZORVIPLAYER_OPT:-vo=null;ao=null}"
if [ -n "${DISPLAY:-}" ]; then
  build/bench/bench_equalizer "$@" 2>/dev/null
else
  xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_equalizer "$@" 2>/dev/null
fi

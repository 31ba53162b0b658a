#!/usr/bin/env bash
# Runs the PlayerCore load-time benchmark headless (null video and audio
# outputs) under a virtual display, once with the player's own hardware
# decoding choice and once with ZORVIPLAYER_HWDEC=no, which is what the bare
# client uses. Needs ffmpeg. Usage: bench/playercore.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j2 --target bench_playercore >/dev/null
export ZORVIPLAYER_OPT="${ZORVIPLAYER_OPT:-vo=null;ao=null}"
echo "== PlayerCore with its default hardware decoding (auto-safe)"
xvfb-run -a build/bench/bench_playercore "$@" 2>/dev/null
echo "== PlayerCore with ZORVIPLAYER_HWDEC=no"
ZORVIPLAYER_HWDEC=no xvfb-run -a build/bench/bench_playercore "$@" 2>/dev/null

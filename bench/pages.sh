#!/usr/bin/env bash
# Library pages benchmark: the videos and music pages over 1,000 videos and
# 2,000 songs, then 10,000 and 20,000, against a bare model and sorting
# proxy over the same songs in the same process; medians of the rounds.
# Runs under Xvfb. Usage: bench/pages.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
rounds="${1:-3}"
command -v xvfb-run >/dev/null || bench_install xvfb xauth
bench_build bench_pages
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The median over rounds of a step's field, for one size.
m() { grep "step=$2 .*songs=$1 " "$work/out" | sed -n "s/.*\b$3=\([0-9.]*\).*/\1/p" | bench_median; }
# The largest of the medians of the steps matching a pattern.
worst() {
  local best=0
  for step in $(grep -o "step=$2[^ ]*" "$work/out" | sort -u | cut -d= -f2); do
    best=$(awk -v a="$best" -v b="$(m "$1" "$step" "$3")" 'BEGIN{print (b>a)?b:a}')
  done
  echo "$best"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", (b>0)?a/b:0}'; }

for i in $(seq "$rounds"); do
  for size in "1000 2000" "10000 20000"; do
    # shellcheck disable=SC2086
    LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1920x1080x24" \
      build/bench/bench_pages $size 2>/dev/null | grep -E "^(step|rss)[= ]" >>"$work/out" || true
  done
done

for songs in 2000 20000; do
  videos=$(( songs / 2 ))
  echo "== $videos videos, $songs songs (medians of $rounds rounds)"
  bare=$(m $songs bare_build ms); reload=$(m $songs music_reload ms)
  echo "music: construct $(m $songs music_construct ms) ms, reload $reload ms; bare build $bare ms; ratio $(ratio "$reload" "$bare")"
  echo "videos: construct $(m $songs videos_construct ms) ms, reload $(m $songs videos_reload ms) ms"
  bk=$(worst $songs bare_key ms); mk=$(worst $songs music_key ms); vk=$(worst $songs videos_key ms)
  echo "slowest keystroke: music $mk ms, videos $vk ms; bare filter $bk ms; ratio music/bare $(ratio "$mk" "$bk")"
  echo "longest stall typing: music $(worst $songs music_key stall_ms) ms, videos $(worst $songs videos_key stall_ms) ms"
  echo "longest stall sorting: music $(worst $songs music_sort stall_ms) ms, videos $(worst $songs videos_sort stall_ms) ms; bare sort $(m $songs bare_sort ms) ms"
  echo "tabs: albums $(m $songs music_albums ms) ms, artists $(m $songs music_artists ms) ms"
  echo "play all: $(m $songs music_play_all ms) ms, stall $(m $songs music_play_all stall_ms) ms"
  echo "rss: $(grep "^rss .*songs=$songs " "$work/out" | sed -n 's/.*rss_kb=\([0-9]*\).*/\1/p' | bench_median) kB"
done

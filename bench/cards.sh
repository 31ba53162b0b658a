#!/usr/bin/env bash
# Card grids of 10,000 cards (bench_cards) under one virtual display (Xvfb
# 1920x1080, Mesa software OpenGL): a wide video grid and a square audio
# grid over 10,000 hard links to 50 generated videos and 50 songs with
# covers, so every card has its own cache key. Each grid is scrolled top to
# bottom at 60 steps per second and then jumped back to the top, twice:
#   cold  - empty cache folders: thumbnails and covers load while scrolling;
#   warm  - a new process over the same folders: every picture on disk,
#           memory caches empty.
# Baseline in the same run: a plain list view with the default delegate over
# the same items (text only); the ratio of the paint p95 is printed.
#
# Usage: bench/cards.sh   (CARDS_BENCH_COUNT=10000 cards per grid)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
root=$(pwd)
count=${CARDS_BENCH_COUNT:-10000}

if [ -z "${CARDS_BENCH_INNER:-}" ]; then
  need=()
  command -v ffmpeg >/dev/null || need+=(ffmpeg)
  command -v xvfb-run >/dev/null || need+=(xvfb xauth)
  bench_install ${need[@]+"${need[@]}"}
  bench_build bench_cards
  media="$root/build/bench-media/cards"
  mkdir -p "$media/src" "$media/links"
  for i in $(seq 0 49); do
    v="$media/src/v$i.mp4"
    [ -f "$v" ] || ffmpeg -hide_banner -loglevel error -y -f lavfi \
      -i "testsrc2=s=640x360:r=25:d=8" -vf "hue=h=$((i * 7))" -g 50 -c:v libx264 \
      -preset veryfast -crf 30 -pix_fmt yuv420p "$v"
    a="$media/src/a$i.mp3"
    [ -f "$a" ] || ffmpeg -hide_banner -loglevel error -y -f lavfi -i "sine=frequency=$((200 + i * 10)):duration=2" \
      -f lavfi -i "color=c=0x$(printf '%02x%02x%02x' $((i * 5)) $((255 - i * 5)) 128):s=500x500:d=1" \
      -map 0:a -map 1:v -frames:v 1 -c:a libmp3lame -c:v mjpeg -disposition:v attached_pic \
      -id3v2_version 3 "$a"
  done
  if [ ! -f "$media/links/v$((count - 1)).mp4" ]; then
    rm -f "$media/links/"*
    for i in $(seq 0 $((count - 1))); do
      ln "$media/src/v$((i % 50)).mp4" "$media/links/v$i.mp4"
      ln "$media/src/a$((i % 50)).mp3" "$media/links/a$i.mp3"
    done
  fi
  export LIBGL_ALWAYS_SOFTWARE=1 CARDS_BENCH_INNER=1 CARDS_BENCH_MEDIA="$media"
  exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$@"
fi

bench="$root/build/bench/bench_cards"
media="$CARDS_BENCH_MEDIA"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
for i in $(seq 0 $((count - 1))); do echo "$media/links/v$i.mp4"; done >"$work/videos"
for i in $(seq 0 $((count - 1))); do echo "$media/links/a$i.mp3"; done >"$work/songs"

p95() { awk '{for (i = 1; i < NF; i++) if ($i == "p95") {print $(i + 1); exit}}'; }
echo "load before: $(uptime)"
for kind in video audio; do
  list="$work/videos"
  [ "$kind" = audio ] && list="$work/songs"
  rm -rf "$work/data" "$work/cache"
  bare=$("$bench" bare "$list" "$kind" 2>/dev/null)
  echo "== $kind grid, $count cards"
  echo "  baseline: $bare"
  for scenario in cold warm; do
    out=$("$bench" cards "$list" "$kind" 2>/dev/null)
    echo "  -- $scenario"
    echo "$out" | sed 's/^/    /'
    echo "    paint p95 ratio cards/bare: $(awk "BEGIN {printf \"%.2f\", $(echo "$out" | head -1 | p95) / $(echo "$bare" | p95)}")"
  done
done

#!/usr/bin/env bash
# Cover art benchmark: 5,000 albums (one or two tracks each, each its own
# 600 x 600 JPEG, embedded in MP3, FLAC, M4A, Ogg and Opus, one album in five
# with a cover.jpg instead) walked as a 7 x 4 card grid, against a bare
# one-thread loop doing the same work; then a fast scroll, a settled view of
# 120 covers and hostile pictures. One process per measurement, offscreen.
# The tree is built once and cached. Usage: bench/covers.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
bench_build bench_covers
bin=build/bench/bench_covers
tree="${ZORVI_BENCH_TREE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorvi-bench/covers-tree}"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$tree"
"$bin" make "$tree"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
run() { local home="$work/$1"; shift; mkdir -p "$home"; XDG_DATA_HOME="$home" "$bin" "$@"; }
value() { sed -n "s/.*\b$1=\([0-9.-]*\).*/\1/p"; }

# Warm the page cache: an untimed pass over every file.
run warm bare "$tree" 1 >/dev/null
pass1=$(run grid grid "$tree")
bare1=$(run grid bare "$tree" 1)
pass2=$(run grid grid "$tree")   # a new process over the disk cache
bare2=$(run grid bare "$tree" 2)
echo "pass 1 (empty caches): $pass1"
echo "  bare loop: $bare1"
echo "  ratio: $(awk "BEGIN{printf \"%.2f\", $(value per_cover_ms <<<"$pass1")/$(value per_cover_ms <<<"$bare1")}")"
echo "pass 2 (disk cache):   $pass2"
echo "  bare loop: $bare2"
echo "  ratio: $(awk "BEGIN{printf \"%.2f\", $(value per_cover_ms <<<"$pass2")/$(value per_cover_ms <<<"$bare2")}")"
for pass in "$pass1" "$pass2"; do
  s=$(value rss_start_kb <<<"$pass") f=$(value rss_full_kb <<<"$pass") e=$(value rss_end_kb <<<"$pass")
  echo "RSS growth after full caches: $(( (e - f) / 1024 )) MB; total: $(( (e - s) / 1024 )) MB"
done
echo "fast scroll: $(run scroll scroll "$tree")"
echo "settled view: $(run settle settle "$tree")"
mkdir -p "$work/hostile"
run hostile hostile-make "$work/hostile" 2>/dev/null
echo "hostile pictures: $(run hostile hostile "$work/hostile" 2>/dev/null || echo failed)"

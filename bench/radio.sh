#!/usr/bin/env bash
# IPTV import and station playback benchmark: a generated 50,000-channel list
# (about 12 MB) read by the import's reader next to a bare QFile line loop,
# stored next to a bare insert loop, shown as cards, and a station played
# from row 25,000 next to playPaths of that one address; also the GUI stall of
# a 120-result directory search with 120 logos on a local server. One process per
# measurement (peak RSS is its own), medians of the rounds.
# Usage: bench/radio.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
rounds="${1:-3}"
bench_build bench_radio
bin=build/bench/bench_radio
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
list="$work/lista.m3u"
"$bin" make "$list" 50000
ffmpeg -hide_banner -loglevel error -y -f lavfi -i sine=duration=30 -b:a 96k -ar 44100 "$work/tone.mp3"
echo "list: $(stat -c %s "$list") bytes, 50000 channels"

value() { sed -n "s/.*\b$1=\([0-9.]*\).*/\1/p"; }
for i in $(seq "$rounds"); do
  "$bin" bare "$list" >>"$work/bare"
  "$bin" parse "$list" >>"$work/parse"
  rm -f "$work"/store.db* && xvfb-run -a "$bin" store "$list" "$work/store.db" 2>/dev/null >>"$work/store"
done
rm -f "$work"/search.db* && xvfb-run -a "$bin" search "$work/search.db" 2>/dev/null >>"$work/search"
rm -f "$work"/play.db* && xvfb-run -a "$bin" play "$list" "$work/play.db" "$work/tone.mp3" 2>/dev/null >>"$work/play"

m() { value "$2" <"$work/$1" | bench_median; }
ratio() { awk "BEGIN{printf \"%.2f\", $1/$2}"; }
size_kb=$(( $(stat -c %s "$list") / 1024 ))
echo "parse: $(m parse ms) ms, bare read: $(m bare ms) ms, ratio $(ratio "$(m parse ms)" "$(m bare ms)") (aim <= 4)"
echo "parse peak RSS growth: $(m parse rss_growth_kb) kB = $(ratio "$(m parse rss_growth_kb)" $size_kb) x file size (aim <= 5); bare $(m bare rss_growth_kb) kB"
echo "store: first $(m store first_ms) ms, re-import with 1000 favourites $(m store again_ms) ms, bare insert $(m store bare_ms) ms; ratios $(ratio "$(m store first_ms)" "$(m store bare_ms)") and $(ratio "$(m store again_ms)" "$(m store bare_ms)") (aim <= 1.5)"
echo "page import: $(m store import_total_ms) ms; longest GUI stall in the store transaction's turn $(m store stall_transaction_ms) ms (aim <= 250), elsewhere $(m store stall_outside_ms) ms (aim <= 16)"
echo "showing the group: $(m store cards) cards in the model after $(m store model_ms) ms, first paint after $(m store paint_ms) ms (aim <= 250)"
echo "directory search of 120 stations with 120 logos: $(m search total_ms) ms until every logo settled; longest GUI stall $(m search stall_ms) ms (aim <= 16)"
echo "play row 25000: $(m play station_ms) ms to fileLoaded (GUI stall $(m play station_stall_ms) ms); playPaths of one address: $(m play direct_ms) ms (stall $(m play direct_stall_ms) ms); ratio $(ratio "$(m play station_ms)" "$(m play direct_ms)") (aim <= 1.5)"

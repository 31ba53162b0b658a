#!/usr/bin/env bash
# Playlist file benchmark: reading a 500,000-entry M3U and a 100,000-entry
# PLS against a bare line loop, writeM3u of 500,000 entries against a bare
# QSaveFile loop, the playlists page's longest GUI stalls, and opening the big
# file as the command line does. Each case is its own process under
# /usr/bin/time (wall time, peak RSS). Usage: bench/playlists.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
bench_build bench_playlists
bin=build/bench/bench_playlists
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$bin" make "$work"
echo "big.m3u: $(du -h "$work/big.m3u" | cut -f1), big.pls: $(du -h "$work/big.pls" | cut -f1)"
run() {
  /usr/bin/time -f "  wall=%es peak_rss=%MkB" "$bin" "$@" 2>&1 | grep -v '^QStandardPaths'
}
for list in big.m3u big.pls; do
  echo "== $list"
  run read "$work/$list"
  run bare-read "$work/$list"
done
echo "== write"
run write "$work"
run bare-write "$work"
echo "== page"
xvfb-run -a /usr/bin/time -f "  wall=%es peak_rss=%MkB" "$bin" page "$work" 2>&1 | grep -v 'QStandardPaths\|propagateSize'
echo "== command line"
run expand "$work/big.m3u"

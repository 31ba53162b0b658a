#!/usr/bin/env bash
# Library scan benchmark: a first scan and a rescan of 10,000 tagged files
# against a bare TagLib loop and `find` over the same tree, one process per
# measurement, alternating, median of the rounds. The tree is built once and
# cached. Usage: bench/library.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-5}"
tree="${ZORVI_BENCH_TREE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorvi-bench/library-tree}"
cmake --build build -j2 --target bench_library >/dev/null
bin=build/bench/bench_library
mkdir -p "$tree"
"$bin" make "$tree"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Warm the page cache: an untimed pass over every file.
"$bin" bare "$tree" >/dev/null
find "$tree" -type f -printf '%s %T@ %p\n' >/dev/null

value() { sed -n "s/.*\b$1=\([0-9.]*\).*/\1/p"; }

for i in $(seq "$rounds"); do
  rm -f "$work"/scan.db*
  "$bin" scan "$tree" "$work/scan.db" >>"$work/first"
  "$bin" bare "$tree" >>"$work/bare"
  "$bin" scan "$tree" "$work/scan.db" >>"$work/rescan"
  start=$(date +%s%N)
  find "$tree" -type f -printf '%s %T@ %p\n' >/dev/null
  awk -v ns=$(( $(date +%s%N) - start )) 'BEGIN{printf "find ms=%.1f\n", ns/1e6}' >>"$work/find"
done

m() { value "$2" <"$work/$1" | bench_median; }
files=$(m first files)
first=$(m first total_ms); worker=$(m first worker_ms); store=$(m first store_ms)
bare=$(m bare ms); rescan=$(m rescan total_ms); findms=$(m find ms)
echo "files: $files (rounds: $rounds, medians)"
echo "first scan: ${first} ms ($(awk "BEGIN{printf \"%.0f\", $files*1000/$first}") files/s); walk+read ${worker} ms, store ${store} ms"
echo "bare TagLib loop: ${bare} ms"
echo "ratio walk+read / bare: $(awk "BEGIN{printf \"%.2f\", $worker/$bare}")  whole scan / bare: $(awk "BEGIN{printf \"%.2f\", $first/$bare}")"
echo "rescan: ${rescan} ms; find: ${findms} ms; ratio: $(awk "BEGIN{printf \"%.2f\", $rescan/$findms}")"
for phase in start walk store; do
  echo "longest GUI stall, first scan, $phase: $(m first stall_${phase}_ms) ms; rescan: $(m rescan stall_${phase}_ms) ms"
done
echo "peak RSS: scan $(m first rss_kb) kB, rescan $(m rescan rss_kb) kB, bare loop $(m bare rss_kb) kB"

#!/usr/bin/env bash
# Settings page benchmark: construction and first show against bare widgets,
# output devices, clearing 50,000 history rows against a bare DELETE, adding
# a folder; medians of the rounds with the longest GUI-thread stalls.
# Runs under Xvfb. Usage: bench/settings.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
rounds="${1:-3}"
command -v xvfb-run >/dev/null || bench_install xvfb xauth
bench_build bench_settings
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
m() { grep "step=$1 " "$work/out" | sed -n "s/.*\b$2=\([0-9.]*\).*/\1/p" | bench_median; }
for i in $(seq "$rounds"); do
  LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1920x1080x24" \
    build/bench/bench_settings 50000 2>/dev/null | grep "^step=" >>"$work/out" || true
done
echo "== settings page (medians of $rounds rounds)"
echo "page: construct $(m page_construct ms) ms (stall $(m page_construct stall_ms) ms), to first show done $(m page_first_show ms) ms, longest stall $(m page_first_show stall_ms) ms"
echo "bare widgets: $(m bare_widgets ms) ms (stall $(m bare_widgets stall_ms) ms); ratio page/bare $(m bare_widgets ratio)"
echo "output devices: $(m refresh_devices ms) ms, stall $(m refresh_devices stall_ms) ms"
echo "clear 50,000 history rows: $(m clear_history ms) ms, stall $(m clear_history stall_ms) ms; bare DELETE $(m bare_delete ms) ms; ratio $(m bare_delete ratio)"
echo "add folder: $(m add_folder ms) ms, stall $(m add_folder stall_ms) ms"

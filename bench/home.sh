#!/usr/bin/env bash
# Home page benchmark: refresh over 100,000 media rows (80 % songs) and
# 20,000 history rows, against the page's three reads run bare through
# QSqlQuery in the same process, with the longest GUI-thread stall from the
# refresh until the continue row is filled and painted. Runs under Xvfb.
# Usage: bench/home.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
rounds="${1:-20}"
command -v xvfb-run >/dev/null || bench_install xvfb xauth
bench_build bench_home
LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_home "$rounds" 2>/dev/null \
  | grep -E "^(setup|cards|round|summary) "

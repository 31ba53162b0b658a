#!/usr/bin/env bash
# Start-up time and idle memory of the player against SMPlayer and Celluloid,
# in the same run under the same virtual display (Xvfb 1920x1080, Mesa
# software OpenGL, openbox as window manager), each with a fresh home folder.
#
# Time: from starting the process to the window manager listing its window
# (an `xprop -spy` on the root window's client list, time-stamped as each
# change arrives); best of the rounds.
# Memory: resident set of the process 1.5 s after its window came up, idle,
# nothing opened; median of the rounds.
#
# Floors, in the same run: bench_startup_floor, a bare Qt Widgets window of
# the player's size with a few hundred widgets ("Qt floor"), and the same with
# the engine library loaded and started ("Qt floor + libmpv"). Their figures
# are what the toolkit and the engine cost before any code of ours runs.
#
# Usage: bench/startup.sh [rounds]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
root=$(pwd)
rounds=${1:-5}

if [ -z "${STARTUP_INNER:-}" ]; then
  need=()
  command -v xvfb-run >/dev/null || need+=(xvfb xauth)
  command -v openbox >/dev/null || need+=(openbox)
  command -v xprop >/dev/null || need+=(x11-utils)
  command -v smplayer >/dev/null || need+=(smplayer)
  command -v celluloid >/dev/null || need+=(celluloid)
  bench_install ${need[@]+"${need[@]}"} || echo "could not install ${need[*]}; missing peers are skipped"
  bench_build zorvi-player
  bench_build bench_startup_floor
  export LIBGL_ALWAYS_SOFTWARE=1 STARTUP_INNER=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24" dbus-run-session -- "$0" "$rounds"
fi

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
sleep 1

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# One start: prints "<ms to window> <resident MB>".
measure() {
  local home spy before t0 pid t1 lines rss
  home=$(mktemp -d)
  spy=$(mktemp)
  # Each change of the client list, with the time it arrived; $! is xprop
  # itself, so it can be stopped by its id.
  xprop -root -spy _NET_CLIENT_LIST > >(while read -r line; do echo "$(now_ms) $line"; done >"$spy") &
  local spypid=$!
  sleep 0.3
  before=$(wc -l <"$spy")
  t0=$(now_ms)
  env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" ZORVIPLAYER_OPT="ao=null" "$@" >/dev/null 2>&1 &
  pid=$!
  t1=""
  for _ in $(seq 1 3000); do
    lines=$(wc -l <"$spy")
    if [ "$lines" -gt "$before" ]; then
      t1=$(sed -n "$((before + 1))p" "$spy" | cut -d' ' -f1)
      break
    fi
    sleep 0.005
  done
  sleep 1.5
  rss=$(awk '/VmRSS/ { printf "%.0f", $2 / 1024 }' "/proc/$pid/status" 2>/dev/null || echo -1)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  kill "$spypid" 2>/dev/null || true
  wait "$spypid" 2>/dev/null || true
  rm -rf "$home" "$spy"
  [ -n "$t1" ] && echo "$((t1 - t0)) $rss" || echo "-1 $rss"
}

declare -A best median
run() {
  local name=$1
  shift
  local times=() mems=()
  for _ in $(seq 1 "$rounds"); do
    read -r ms mb < <(measure "$@")
    times+=("$ms")
    mems+=("$mb")
  done
  best[$name]=$(printf '%s\n' "${times[@]}" | grep -v '^-1$' | sort -n | head -1)
  median[$name]=$(printf '%s\n' "${mems[@]}" | sort -n | sed -n "$(((rounds + 1) / 2))p")
  printf '%-18s window shown: best %s ms (all: %s)   idle memory: median %s MB (all: %s)\n' \
    "$name" "${best[$name]:-none}" "${times[*]}" "${median[$name]}" "${mems[*]}"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
run zorvi "$root/build/zorvi-player"
run "Qt floor" "$root/build/bench/bench_startup_floor"
run "Qt floor + libmpv" "$root/build/bench/bench_startup_floor" --mpv
for peer in smplayer celluloid; do
  if command -v "$peer" >/dev/null; then
    run "$peer" "$peer"
  else
    echo "$peer: not installed, skipped"
  fi
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

fastest=""
for peer in smplayer celluloid; do
  t=${best[$peer]:-}
  [ -n "$t" ] || continue
  if [ -z "$fastest" ] || [ "$t" -lt "$fastest" ]; then fastest=$t; fi
done
if [ -n "$fastest" ] && [ -n "${best[zorvi]:-}" ]; then
  awk -v z="${best[zorvi]}" -v p="$fastest" \
    'BEGIN { printf "start-up ratio against the fastest peer: %.2f (aim <= 0.60)\n", z / p }'
fi
echo "idle memory: ${median[zorvi]} MB (aim <= 100 MB)"

# The player against every row: above 1 the player is slower or heavier.
printf '\n%-18s %9s %9s %14s %14s\n' "" "best ms" "median MB" "zorvi / time" "zorvi / memory"
for name in zorvi "Qt floor" "Qt floor + libmpv" smplayer celluloid; do
  t=${best[$name]:-}
  m=${median[$name]:-}
  [ -n "$t" ] || continue
  awk -v n="$name" -v t="$t" -v m="$m" -v zt="${best[zorvi]:-0}" -v zm="${median[zorvi]:-0}" \
    'BEGIN { printf "%-18s %9d %9d %14.2f %14.2f\n", n, t, m, (t > 0 ? zt / t : 0), (m > 0 ? zm / m : 0) }'
done

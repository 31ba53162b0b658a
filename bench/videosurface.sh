#!/usr/bin/env bash
# The video surface (bench_videosurface: PlayerCore + MpvWidget, set up as the
# player does) against the mpv command-line player, on one local 1080p30 H.264
# file with AAC sound, in the same run under the same virtual display
# (Xvfb 1920x1080, Mesa software OpenGL for both).
#
# Time to first frame on the screen: an outside watcher (bench_videosurface
# watch) starts the player and polls one screen pixel inside a magenta band
# that only the video has, every 2 ms; the figure is the time from starting
# the process to the first poll that sees the band. Same watcher, same pixel
# for both players; full screen.
#
# CPU: user + system seconds (/usr/bin/time) of the player process playing the
# first 20 s of the file ("end=20"), start-up and shutdown included; once full
# screen and once in a 640x360 window. Frame dropping is off for both
# ("framedrop=no"), so both decode and draw all 600 frames whatever the load on
# the machine (a player that drops more frames does less work); the frames
# the video output still dropped are reported next to it.
#
# mpv runs with --vo=gpu --gpu-sw (the same OpenGL renderer the surface uses;
# without --gpu-sw mpv refuses software OpenGL and falls back to SDL),
# --hwdec=auto-safe and --fbo-format=rgba16 like the player's engine set-up;
# sound to ao=null for both. The load average is printed before and after.
#
# Whole player: the player itself opening a 20 s 1280x720 30 fps clip in the
# window it starts with, against mpv (same options) in its own first window:
# time from starting the process to the clip's first frame on the screen (the
# same watcher, polling the screen's middle column, since the two windows are
# not in the same place; the player opens its arguments 200 ms after its window
# is shown, by design), and CPU seconds of each process until the clip has
# ended, ratios printed.
#
# Usage: bench/videosurface.sh [rounds]   (default 3; medians are reported;
#            VIDEOSURFACE_SIZES="640x360" limits the CPU part to those sizes;
#            VIDEOSURFACE_SIZES=none skips it)
#        bench/videosurface.sh --screenshot <file.png>
#            shows the file in a 960x540 surface on a 1280x720 display for 6 s
#            and saves what the display shows.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
root=$(pwd)
rounds=${1:-3}
shot=""
if [ "$rounds" = "--screenshot" ]; then
  shot=$(realpath -m "${2:?file name for the screenshot}")
fi

if [ -z "${VIDEOSURFACE_INNER:-}" ]; then
  need=()
  command -v mpv >/dev/null || need+=(mpv)
  command -v ffmpeg >/dev/null || need+=(ffmpeg)
  command -v xvfb-run >/dev/null || need+=(xvfb xauth)
  [ -x /usr/bin/time ] || need+=(time)
  bench_install ${need[@]+"${need[@]}"}
  bench_build bench_videosurface

  media="$root/build/bench-media/video1080.mp4"
  bench_band_clip "$media" 1920x1080 120 30
  # 20 s of 1280x720 at 30 fps, the clip played in the whole player's window.
  clip="$root/build/bench-media/video720.mp4"
  bench_band_clip "$clip" 1280x720 80 20
  bench_build zorvi-player
  export LIBGL_ALWAYS_SOFTWARE=1 VIDEOSURFACE_INNER=1 VIDEOSURFACE_MEDIA="$media" VIDEOSURFACE_CLIP="$clip"
  if [ -n "$shot" ]; then
    exec xvfb-run -a -s "-screen 0 1280x720x24" bash -c '
      ZORVIPLAYER_OPT=ao=null "$0" play "$1" 960x540 2>/dev/null & pid=$!
      sleep 6
      ffmpeg -hide_banner -loglevel error -y -f x11grab -video_size 1280x720 -i "$DISPLAY" \
        -frames:v 1 "$2"
      kill $pid; wait $pid || true
      echo "screenshot: $2"' "$root/build/bench/bench_videosurface" "$media" "$shot"
  fi
  exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$rounds"
fi

bench="$root/build/bench/bench_videosurface"
media="$VIDEOSURFACE_MEDIA"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Private settings and data for our program.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"

mpv_common=(mpv --no-config --vo=gpu --gpu-sw --hwdec=auto-safe --fbo-format=rgba16 --ao=null
            --no-border --no-osc --osd-level=0 --no-input-default-bindings)

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.2f", m}'; }
ratio() { awk "BEGIN {printf \"%.2f\", $1 / $2}"; }
# Both players' rounds and the ratio of their medians:
# report <title> <text after the ratio> <our rounds> <mpv's rounds>
report() {
  local m_ours m_mpv
  echo "$1"
  echo "  ours: $3"
  echo "  mpv:  $4"
  m_ours=$(printf '%s\n' $3 | median)
  m_mpv=$(printf '%s\n' $4 | median)
  echo "  median ours $m_ours, mpv $m_mpv, ratio ours/mpv $(ratio "$m_ours" "$m_mpv")$2"
}

first_frame() {
  "$bench" watch 960 60 ff00ff 30000 "$@" 2>/dev/null | awk '/first-frame-ms/ {print $2}'
}

first_frame_column() {
  "$bench" watch 960 -1 ff00ff 30000 "$@" 2>/dev/null | awk '/first-frame-ms/ {print $2}'
}

# Prints "<cpu seconds> <wall seconds> <dropped frames>".
play_20s() {
  local who=$1 size=$2 err="$work/err" times="$work/times"
  if [ "$who" = ours ]; then
    /usr/bin/time -o "$times" -f "cpu %U %S wall %e" env ZORVIPLAYER_OPT="ao=null;end=20;framedrop=no" \
      "$bench" play "$media" "$size" >/dev/null 2>"$err" || true
    drops=$(sed -n 's/.*vo-drops=\([0-9]*\).*/\1/p' "$err" | tail -1)
  else
    /usr/bin/time -o "$times" -f "cpu %U %S wall %e" "${mpv_common[@]}" --geometry="$size+0+0" --end=20 --framedrop=no \
      --msg-level=all=error,statusline=status \
      --term-status-msg='STATUS vo-drops=${frame-drop-count}' "$media" >/dev/null 2>"$err" || true
    drops=$(tr '\r' '\n' <"$err" | sed -n 's/.*STATUS vo-drops=\([0-9]*\).*/\1/p' | tail -1)
  fi
  awk -v d="${drops:-?}" '/^cpu / {printf "%.2f %.2f %s\n", $2 + $3, $5, d}' "$times"
}

echo "load before: $(uptime)"
declare -a ff_ours ff_mpv
for ((i = 1; i <= rounds; i++)); do
  ff_ours+=("$(first_frame env ZORVIPLAYER_OPT="ao=null" "$bench" play "$media")")
  ff_mpv+=("$(first_frame "${mpv_common[@]}" --geometry=0:0 --really-quiet "$media")")
done

echo "file: $media"
echo "      $(ffprobe -v error -show_entries stream=codec_name,width,height,r_frame_rate -of csv=p=0 "$media" | tr '\n' ' ')"
report "first frame on screen, ms (full screen)" "" "${ff_ours[*]}" "${ff_mpv[*]}"

sizes=${VIDEOSURFACE_SIZES:-1920x1080 640x360}
[ "$sizes" != none ] || sizes=""
for size in $sizes; do
  declare -a cpu_ours=() cpu_mpv=() drop_ours=() drop_mpv=()
  echo "20 s of playback in a $size window: cpu s / wall s / frames dropped (of 600)"
  for ((i = 1; i <= rounds; i++)); do
    read -r c w d < <(play_20s ours "$size")
    cpu_ours+=("$c"); drop_ours+=("$d"); echo "  ours: $c / $w / $d"
    read -r c w d < <(play_20s mpv "$size")
    cpu_mpv+=("$c"); drop_mpv+=("$d"); echo "  mpv:  $c / $w / $d"
  done
  m_ours=$(printf '%s\n' "${cpu_ours[@]}" | median)
  m_mpv=$(printf '%s\n' "${cpu_mpv[@]}" | median)
  echo "  median cpu ours $m_ours, mpv $m_mpv, ratio ours/mpv $(ratio "$m_ours" "$m_mpv");" \
       "median drops ours $(printf '%s\n' "${drop_ours[@]}" | median), mpv $(printf '%s\n' "${drop_mpv[@]}" | median)"
done

# The whole player in the window it opens with, against mpv in its own first
# window, on the 20 s 720p clip. The player stays open when the clip ends: its
# CPU time is read from /proc once it goes idle (under 0.02 s of CPU in half a
# second) after the clip's 20 s, which playback never is.
clip="$VIDEOSURFACE_CLIP"
ticks=$(getconf CLK_TCK)
window_ours() {
  local home="$work/home-$RANDOM" pid t now prev=-1
  mkdir -p "$home"
  env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_CACHE_HOME="$home/cache" ZORVIPLAYER_OPT="ao=null;framedrop=no" \
    "$root/build/zorvi-player" "$clip" >/dev/null 2>&1 &
  pid=$!
  for ((t = 0; t < 240; t++)); do
    now=$(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || echo -1)
    [ "$now" -ge 0 ] || { t=240; break; }
    if [ "$t" -ge 40 ] && [ $(((now - prev) * 100 / ticks)) -le 2 ]; then break; fi
    prev=$now
    sleep 0.5
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v c="$prev" -v hz="$ticks" -v t="$t" \
    'BEGIN { if (t >= 240 || c < 0) print "?"; else printf "%.2f\n", c / hz }'
}
window_mpv() {
  local times="$work/times"
  /usr/bin/time -o "$times" -f "cpu %U %S" "${mpv_common[@]}" --framedrop=no --really-quiet \
    "$clip" >/dev/null 2>&1 || true
  awk '/^cpu / {printf "%.2f\n", $2 + $3}' "$times"
}
declare -a wff_ours=() wff_mpv=()
for ((i = 1; i <= rounds; i++)); do
  home="$work/home-first-$i"
  mkdir -p "$home"
  # A fresh configuration and library each round; the cache folder (where the
  # OpenGL driver keeps its compiled shaders) is the one mpv uses too.
  wff_ours+=("$(first_frame_column env HOME="$home" XDG_CONFIG_HOME="$home/config" \
    XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$work/cache" ZORVIPLAYER_OPT="ao=null" \
    "$root/build/zorvi-player" "$clip")")
  wff_mpv+=("$(first_frame_column "${mpv_common[@]}" --really-quiet "$clip")")
done
report "whole player, first frame of the 720p clip on screen in each player's first window, ms" \
  " (aim <= 1.20)" "${wff_ours[*]}" "${wff_mpv[*]}"

declare -a win_ours=() win_mpv=()
echo "the 20 s 1280x720 clip in each player's first window: cpu s"
for ((i = 1; i <= rounds; i++)); do
  win_ours+=("$(window_ours)"); echo "  ours: ${win_ours[-1]}"
  win_mpv+=("$(window_mpv)"); echo "  mpv:  ${win_mpv[-1]}"
done
m_ours=$(printf '%s\n' "${win_ours[@]}" | median)
m_mpv=$(printf '%s\n' "${win_mpv[@]}" | median)
echo "  median cpu ours $m_ours, mpv $m_mpv, ratio ours/mpv $(ratio "$m_ours" "$m_mpv") (aim <= 1.10)"
echo "load after: $(uptime)"

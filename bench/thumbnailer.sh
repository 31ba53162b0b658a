#!/usr/bin/env bash
# The thumbnailer (bench_thumbnailer, the service as the player runs it)
# against its peers, in one run under one virtual display (Xvfb 1920x1080,
# Mesa software OpenGL).
#
# Preview latency: two 120 s 1080p25 H.264 files, keyframes every 2 s and
# every 10 s, 100 seeded positions each, one at a time. Main figure: from the
# request (the 180 ms preview timer firing) to the popup's picture label
# painting the frame. Also pointer at rest -> picture, which includes that
# fixed 180 ms timer. Baseline: a bare engine client with the same options
# doing the same keyframe seek and render into a 240-wide framebuffer. For
# context, "ffmpeg -ss T -i f -frames:v 1" (scaled to 240 wide, one JPEG) per
# position.
#
# Throughput: 200 videos (H.264 MP4, H.264 MKV, MPEG-4 AVI; 720p-1080p;
# 10-60 s; hard links to a few generated sources), position 15 %, width 384,
# JPEG out; peers "ffmpegthumbnailer -s 384 -t 15%" and
# "ffmpeg -ss T -i f -frames:v 1 -vf scale=384:-2" with T = 15 % of the
# duration probed beforehand (not timed). One file at a time, page cache warm.
#
# Playback not disturbed: the player's engine and video surface play the
# 1080p30 file of bench/videosurface.sh for 20 s, untouched and then with a
# hover preview every 200 ms.
#
# Every figure of ours also gives the longest GUI-thread stall (1 ms probe).
#
# Usage: bench/thumbnailer.sh   (THUMB_BENCH_COUNT=100 positions per file)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
root=$(pwd)

if [ -z "${THUMB_BENCH_INNER:-}" ]; then
  need=()
  command -v ffmpeg >/dev/null || need+=(ffmpeg)
  command -v ffmpegthumbnailer >/dev/null || need+=(ffmpegthumbnailer)
  command -v xvfb-run >/dev/null || need+=(xvfb xauth)
  [ -x /usr/bin/time ] || need+=(time)
  bench_install ${need[@]+"${need[@]}"}
  bench_build bench_thumbnailer

  media="$root/build/bench-media"
  mkdir -p "$media/many"
  gen() { # <out> <seconds> <size> <keyframe frames> <rate> [codec args...]
    local out=$1 secs=$2 size=$3 gop=$4 rate=$5; shift 5
    [ -f "$out" ] && return
    ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc2=s=$size:r=$rate:d=$secs" \
      -g "$gop" -keyint_min "$gop" -sc_threshold 0 -pix_fmt yuv420p "$@" "$out"
  }
  gen "$media/preview-k2.mp4" 120 1920x1080 50 25 -c:v libx264 -preset veryfast -crf 26
  gen "$media/preview-k10.mp4" 120 1920x1080 250 25 -c:v libx264 -preset veryfast -crf 26
  gen "$media/src-720.mp4" 10 1280x720 50 25 -c:v libx264 -preset veryfast -crf 28
  gen "$media/src-1080.mkv" 20 1920x1080 50 25 -c:v libx264 -preset veryfast -crf 28
  gen "$media/src-720.avi" 15 1280x720 50 25 -c:v mpeg4 -q:v 6
  gen "$media/src-1080-60s.mp4" 60 1920x1080 250 25 -c:v libx264 -preset veryfast -crf 30
  if [ ! -f "$media/many/199.mp4" ] && [ ! -f "$media/many/199.mkv" ] && [ ! -f "$media/many/199.avi" ]; then
    rm -f "$media/many/"*
    sources=("$media/src-720.mp4" "$media/src-1080.mkv" "$media/src-720.avi" "$media/src-1080-60s.mp4")
    for i in $(seq 0 199); do
      src=${sources[$((i % 4))]}
      ln "$src" "$media/many/$i.${src##*.}"
    done
  fi
  # The playback file of the video surface benchmark.
  play="$media/video1080.mp4"
  bench_band_clip "$play" 1920x1080 120 30
  export LIBGL_ALWAYS_SOFTWARE=1 THUMB_BENCH_INNER=1 THUMB_BENCH_MEDIA="$media"
  exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$@"
fi

bench="$root/build/bench/bench_thumbnailer"
media="$THUMB_BENCH_MEDIA"
count=${THUMB_BENCH_COUNT:-100}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.1f", m}'; }
ratio() { awk "BEGIN {printf \"%.2f\", $1 / $2}"; }
now_ms() { date +%s%N | awk '{printf "%.3f", $1 / 1e6}'; }
field() { awk -v k="$1" '{for (i = 1; i < NF; i++) if ($i == k) {print $(i + 1); exit}}'; }

echo "load before: $(uptime)"
echo "== GUI-thread stall with no work at all (the machine's own noise, 10 s): $("$bench" idle 10 2>/dev/null)"
echo "== preview latency ($count positions per file, seeded)"
for f in preview-k2 preview-k10; do
  file="$media/$f.mp4"
  dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
  ours=$("$bench" latency "$file" "$dur" "$count" 23 2>"$work/err")
  bare=$("$bench" bare "$file" "$dur" "$count" 23 2>>"$work/err")
  echo "-- $f ($(ffprobe -v error -select_streams v -show_entries stream=width,height,r_frame_rate -of csv=p=0 "$file"))"
  echo "$ours" | sed 's/^/  ours: /'
  echo "$bare" | sed 's/^/  bare: /'
  ours_med=$(echo "$ours" | grep '^request-to-picture' | field median)
  bare_med=$(echo "$bare" | grep '^bare-seek-to-frame' | field median)
  echo "  ratio ours/bare (median request->picture vs seek->frame): $(ratio "$ours_med" "$bare_med")"
  # ffmpeg per position: as many seeded positions over the file (not the same ones).
  awk -v d="$dur" -v n="$count" 'BEGIN {srand(23); for (i = 0; i < n; i++) printf "%.3f\n", rand() * d}' >"$work/pos"
  while read -r pos; do
    t0=$(now_ms)
    ffmpeg -nostdin -hide_banner -loglevel error -y -ss "$pos" -i "$file" -frames:v 1 -vf scale=240:-2 "$work/ff.jpg"
    t1=$(now_ms)
    awk "BEGIN {print $t1 - $t0}"
  done <"$work/pos" >"$work/ff-times"
  echo "  ffmpeg -ss T -frames:v 1 per position (process start included): median $(median <"$work/ff-times") ms"
done

echo "== throughput (200 files, 15 %, width 384)"
ls "$media/many/"* | sort -V >"$work/list"
cat $(cat "$work/list") >/dev/null # warm page cache
ours=$(/usr/bin/time -f "wall %e maxrss-kb %M" -o "$work/time-ours" "$bench" throughput "$work/list" 2>>"$work/err")
echo "$ours" | sed 's/^/  ours: /'
echo "  ours process: $(cat "$work/time-ours")"
ours_rate=$(echo "$ours" | grep '^files' | field files-per-s)
# Durations first, not timed.
while read -r f; do
  echo "$f $(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f")"
done <"$work/list" >"$work/durations"
peer() { # <name> then the loop body reads f and t
  local name=$1 start end rss=0 r
  start=$(now_ms)
  while read -r f dur; do
    t=$(awk "BEGIN {printf \"%.3f\", $dur * 0.15}")
    if [ "$name" = ffmpegthumbnailer ]; then
      /usr/bin/time -f "%M" -o "$work/rss" ffmpegthumbnailer -i "$f" -o "$work/peer.jpg" -s 384 -t 15% -q 8 </dev/null >/dev/null 2>&1 || true
    else
      /usr/bin/time -f "%M" -o "$work/rss" ffmpeg -nostdin -hide_banner -loglevel error -y -ss "$t" -i "$f" -frames:v 1 -vf scale=384:-2 "$work/peer.jpg" || true
    fi
    r=$(tail -1 "$work/rss"); [ "$r" -gt "$rss" ] && rss=$r
  done <"$work/durations"
  end=$(now_ms)
  awk -v n="$(wc -l <"$work/durations")" -v s="$start" -v e="$end" -v rss="$rss" -v name="$name" \
    'BEGIN {printf "  %s: files-per-s %.2f (%d files in %.1f s) peak-rss-kb %d\n", name, n / ((e - s) / 1000), n, (e - s) / 1000, rss}'
}
peer ffmpegthumbnailer | tee "$work/p1"
peer ffmpeg | tee "$work/p2"
p1=$(field files-per-s <"$work/p1"); p2=$(field files-per-s <"$work/p2")
echo "  ratio ours/ffmpegthumbnailer (files/s): $(ratio "$ours_rate" "$p1"); ours/ffmpeg: $(ratio "$ours_rate" "$p2")"

echo "== playback not disturbed (1080p30, 20 s, preview every 200 ms)"
for hover in 0 1 0 1; do
  out=$(ZORVIPLAYER_OPT="ao=null;end=20" "$bench" playback "$media/video1080.mp4" 7 "$hover" 2>>"$work/err")
  echo "  hover=$hover: $(echo "$out" | tr '\n' ' ')"
done
echo "load after: $(uptime)"

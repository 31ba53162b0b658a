#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (address and undefined
# behaviour sanitizers), makes seed files with ffmpeg (one tagged file per
# format, lyrics and a cover included, and one picture per image format) and
# fuzzes the tag reader, the cover picture reader and the lyrics parser
# (seeded with the cases tst_lyrics writes to build/fuzz-seeds/lrc) for the
# given number of seconds each (default 60; 0 runs the seeds only). Crashes land in build-fuzz/crashes.
# The playlist, directory and IPTV targets (fuzz_playlist, fuzz_m3u_roundtrip,
# fuzz_radio_directory, fuzz_iptv_list) take their seeds from the inputs their
# tests write (ZORVI_FUZZ_SEEDS) when build/ has them.
# Usage: tools/fuzz.sh [seconds] [target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
target="${2:-fuzz_tags}"
if [ "$target" != fuzz_tags ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZORVI_BUILD_FUZZ=ON -DBUILD_TESTING=OFF -DZORVI_BUILD_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j2 --target "$target" >/dev/null
  seeds="build-fuzz/seeds-$target" corpus="build-fuzz/corpus-$target" crashes="build-fuzz/crashes-$target"
  mkdir -p "$seeds" "$corpus" "$crashes"
  if [ -z "$(ls -A "$seeds")" ]; then
    # The test that writes this target's seeds, and the folder it puts them in.
    case "$target" in
      fuzz_m3u_roundtrip) test=tst_playlistfiles kind=roundtrip ;;
      fuzz_radio_directory) test=tst_radiosearch kind=radio_directory ;;
      fuzz_iptv_list) test=tst_radios kind=iptv_list ;;
      fuzz_update_manifest) test="" kind="" ;;
      *) test=tst_playlistfiles kind=playlist ;;
    esac
    [ -d "fuzz/seeds/${target#fuzz_}" ] && cp "fuzz/seeds/${target#fuzz_}"/* "$seeds"/
    if [ -n "$test" ] && [ -x "build/tests/$test" ]; then
      tmp="$(mktemp -d)"
      trap 'rm -rf "$tmp"' EXIT
      ZORVI_FUZZ_SEEDS="$tmp" QT_QPA_PLATFORM=offscreen "build/tests/$test" >/dev/null 2>&1 || true
      cp "$tmp/$kind"/* "$seeds"/ 2>/dev/null || true
    fi
    # Without the test build: a few hand-made lists.
    printf '\x00#EXTM3U\n#EXTINF:1,a\n../a.mp3\nfile:///C:/x.mp3\nhttp://h/x?a=1\n' >"$seeds/m3u"
    printf '\x01[playlist]\nFile2=b.mp3\nfile1 = /a.mp3\n' >"$seeds/pls"
  fi
  limit=(-max_total_time="$seconds")
  [ "$seconds" -gt 0 ] || limit=(-runs=0)
  exec "build-fuzz/fuzz/$target" "${limit[@]}" -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$crashes/" -print_final_stats=1 "$corpus" "$seeds"
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZORVI_BUILD_FUZZ=ON -DBUILD_TESTING=OFF -DZORVI_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j2 --target fuzz_tags fuzz_pictures fuzz_lrc >/dev/null
seeds=build-fuzz/seeds pictures=build-fuzz/seeds-pictures crashes=build-fuzz/crashes
mkdir -p "$seeds" "$pictures" "$crashes" build-fuzz/corpus build-fuzz/corpus-pictures
if [ -z "$(ls -A "$seeds")" ]; then
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' EXIT
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i color=c=blue:s=16x16:d=1 -frames:v 1 "$tmp/cover.png"
  # The first byte of a seed picks the file type (see fuzz_tags.cpp).
  i=0
  for variant in "0 mp3 -c:a libmp3lame -id3v2_version 3" "0 mp3 -c:a libmp3lame -id3v2_version 4 -write_id3v1 1" \
              "1 flac -c:a flac" "2 ogg -c:a libvorbis" "3 opus -c:a libopus" "4 m4a -c:a aac" \
              "5 wma -c:a wmav2" "6 wv -c:a wavpack" "7 wav -c:a pcm_s16le" "9 aiff -c:a pcm_s16be"; do
    set -- $variant
    type=$1 suffix=$2; shift 2
    cover=()
    case "$suffix" in mp3|flac|m4a) cover=(-i "$tmp/cover.png" -map 0:a -map 1:v -c:v png -disposition:v attached_pic) ;; esac
    ffmpeg -hide_banner -loglevel error -y -f lavfi -i sine=duration=0.2 "${cover[@]}" "$@" \
      -metadata title="Título $i" -metadata artist="Alpha" -metadata album="Álbum" \
      -metadata album_artist="Band" -metadata genre="(17)" -metadata date="2019-05-01" \
      -metadata track="3/12" -metadata disc="2/2" -metadata lyrics="la la" "$tmp/seed.$suffix"
    { printf "\\x$(printf %02x "$type")"; cat "$tmp/seed.$suffix"; } >"$seeds/$suffix-$i"
    i=$((i + 1))
  done
fi
if [ -z "$(ls -A "$pictures")" ]; then
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' EXIT
  # Type 10 hands the bytes straight to the image decoder (see fuzz_pictures.cpp).
  for picture in cover.jpg cover.png cover.gif cover.webp cover.bmp; do
    frames=(-frames:v 1)
    case "$picture" in *.gif|*.webp) frames=() ;; esac # animated
    ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=s=48x32:d=0.2:r=10 "${frames[@]}" "$tmp/$picture"
    { printf '\x0a'; cat "$tmp/$picture"; } >"$pictures/$picture"
  done
fi
# 0 seconds: the seeds only.
limit=(-max_total_time="$seconds")
[ "$seconds" -gt 0 ] || limit=(-runs=0)
build-fuzz/fuzz/fuzz_tags "${limit[@]}" -rss_limit_mb=2048 -max_len=262144 \
  -artifact_prefix="$crashes/" -print_final_stats=1 build-fuzz/corpus "$seeds"
build-fuzz/fuzz/fuzz_pictures "${limit[@]}" -rss_limit_mb=2048 -max_len=262144 \
  -artifact_prefix="$crashes/" -print_final_stats=1 build-fuzz/corpus-pictures "$seeds" "$pictures"

lrcseeds=build-fuzz/seeds-lrc lrccorpus=build-fuzz/corpus-lrc
mkdir -p "$lrcseeds" "$lrccorpus"
printf '[ti:x]\n[offset:+500]\n[00:01.00][00:02:50]a <00:01.50>b\r\n[00:03]\nplain\n' >"$lrcseeds/basic"
printf '\xef\xbb\xbf[00:01]can\xc3\xa7\xc3\xa3o\n' >"$lrcseeds/utf8-bom"
printf '[00:01]can\xe7\xe3o\n' >"$lrcseeds/cp1252"
[ -d build/fuzz-seeds/lrc ] && cp build/fuzz-seeds/lrc/* "$lrcseeds/" 2>/dev/null || true
build-fuzz/fuzz/fuzz_lrc "${limit[@]}" -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$crashes/lrc-" -print_final_stats=1 "$lrccorpus" "$lrcseeds"

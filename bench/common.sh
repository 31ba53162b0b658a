# Shared set-up for the benchmark scripts; source it from the repository root.

# Installs the Debian packages named, when any are given (as root, or through sudo).
bench_install() {
  [ $# -gt 0 ] || return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"
}

# Configures build/ when it is new and builds the named target.
bench_build() {
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j2 --target "$1" >/dev/null
}

# The middle value of the numbers on standard input, one per line (the lower
# of the two middle ones for an even count; 0 for none).
bench_median() { sort -n | awk '{v[NR]=$1} END {print (NR ? v[int((NR+1)/2)] : 0)}'; }

# A moving test picture with a magenta band across the top and a tone, H.264
# and AAC: bench_band_clip <file> <width>x<height> <band height> <seconds>.
# Made once; an existing file is kept.
bench_band_clip() {
  [ ! -f "$1" ] || return 0
  mkdir -p "$(dirname "$1")"
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=s=$2:r=30:d=$4" \
    -f lavfi -i "sine=frequency=440:duration=$4" \
    -vf "drawbox=x=0:y=0:w=${2%x*}:h=$3:color=0xff00ff:t=fill" \
    -c:v libx264 -preset medium -crf 20 -pix_fmt yuv420p -c:a aac -b:a 128k \
    -movflags +faststart "$1"
}

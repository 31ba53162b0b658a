#!/usr/bin/env bash
# Builds a small sample library with ffmpeg: tagged songs with covers (two
# albums, one of them also written in capitals, a song without album, two
# genres), videos in two folders and a lyrics file, laid out as
# <folder>/Musicas and <folder>/Videos.
set -euo pipefail
out=${1:?usage: make-sample-media.sh <folder>}
mkdir -p "$out/Musicas/Aurora Lenta" "$out/Musicas/Trio Maré" "$out/Videos/Clipes"
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

cover() { # cover <file> <colour> <text colour>
  ff -f lavfi -i "color=c=$2:s=300x300:d=1" -frames:v 1 \
     -vf "drawbox=x=60:y=60:w=180:h=180:color=$3@0.8:t=fill,drawbox=x=110:y=110:w=80:h=80:color=$2:t=fill" "$1"
}

song() { # song <file> <freq> <seconds> <title> <artist> <album> <track> <cover> [genre]
  ff -f lavfi -i "sine=frequency=$2:duration=$3" -i "$8" -map 0:a -map 1:v \
     -c:a libmp3lame -b:a 96k -c:v mjpeg -id3v2_version 3 \
     -metadata title="$4" -metadata artist="$5" -metadata album="$6" -metadata track="$7" \
     -metadata genre="${9:-Demo}" -metadata date="2026" \
     -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)" "$1"
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cover "$tmp/a.jpg" "0x3B2A78" "0xF2B84B"
cover "$tmp/b.jpg" "0x0F5C55" "0xE9EDF2"

song "$out/Musicas/Aurora Lenta/01 - Manhã Clara.mp3" 440 24 "Manhã Clara" "Aurora Lenta" "Horizonte" 1 "$tmp/a.jpg"
song "$out/Musicas/Aurora Lenta/02 - Vento Sul.mp3" 523 18 "Vento Sul" "Aurora Lenta" "Horizonte" 2 "$tmp/a.jpg"
song "$out/Musicas/Aurora Lenta/03 - Eco.mp3" 587 15 "Eco" "Aurora Lenta" "HORIZONTE" 3 "$tmp/a.jpg" "Ambiente"
song "$out/Musicas/Trio Maré/01 - Ondas.mp3" 330 20 "Ondas" "Trio Maré" "Beira" 1 "$tmp/b.jpg" "Ambiente"
song "$out/Musicas/Trio Maré/03 - Avulsa.mp3" 392 14 "Avulsa" "Trio Maré" "" 0 "$tmp/b.jpg"
cp "$tmp/b.jpg" "$out/Musicas/Trio Maré/cover.jpg"
# A FLAC without tags: the library falls back to the file name.
ff -f lavfi -i "sine=frequency=660:duration=12" "$out/Musicas/Trio Maré/02 - Sem Tags.flac"

cat > "$out/Musicas/Aurora Lenta/01 - Manhã Clara.lrc" <<'LRC'
[ti:Manhã Clara]
[ar:Aurora Lenta]
[00:00.50]Abre a janela
[00:04.00]o sol chegou devagar
[00:08.00]a rua acorda
[00:12.00]e a gente vai cantar
[00:16.00]manhã clara
[00:20.00]manhã clara
LRC

ff -f lavfi -i "testsrc2=s=640x360:r=25:d=30" -f lavfi -i "sine=frequency=220:duration=30" \
   -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 64k -shortest \
   -metadata title="Padrão de Teste" "$out/Videos/Padrao de Teste.mp4"
ff -f lavfi -i "mandelbrot=s=640x360:r=25" -t 20 -f lavfi -i "sine=frequency=330:duration=20" \
   -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 64k -shortest \
   "$out/Videos/Clipes/Fractal.mkv"
echo "$out"

#!/usr/bin/env bash
# Makes the MP3 fixtures of the FLV tests with sox, lame and id3v2. lame -t
# writes no Xing/Info frame, so every frame is audio; --resample keeps the rate.
set -euo pipefail
cd "$(dirname "$0")"
t=$(mktemp -d) && trap 'rm -rf "$t"' EXIT
mk() {  # name rate channels seconds lame-options...
  local tone=(sine 440 sine 660); [ "$3" = 1 ] && tone=(sine 300-2000)
  sox -n -r "$2" -c "$3" -b 16 "$t/$1.wav" synth "$4" "${tone[@]}" vol 0.5
  lame --quiet -t --noreplaygain --resample "$(awk "BEGIN{print $2/1000}")" "${@:5}" "$t/$1.wav" "$1.mp3"
}
mk s44_cbr128 44100 2 2 -b 128 -m j; mk s44_cbr160 44100 2 0.5 -b 160 -m j; mk m44_vbr 44100 1 1.5 -V 5 -m m
mk s22_vbr 22050 2 1.5 -V 4 -m j; mk m22_cbr32 22050 1 1.5 -b 32 -m m; mk s11_cbr32 11025 2 1.5 -b 32 -m s
mk m11_vbr 11025 1 1.5 -V 6 -m m; mk short 44100 2 0.3 -b 96 -m j; mk long60 11025 1 60 -b 8 -m m
mk tagged 44100 2 1 -b 64 -m j && id3v2 -a "The Artist" -t "Café Song" -A "An Album" -y 2007 tagged.mp3

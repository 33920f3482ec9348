#!/usr/bin/env bash
# Regenerates the MP3 inputs of the SWF tests, encoded with `lame -t` (no
# Xing/LAME frame) so that ffmpeg sees the same frames in them and in the movies.
set -euo pipefail
cd "$(dirname "$0")"
w=$(mktemp -d); trap 'rm -rf "$w"' EXIT
sox -n -r 44100 -c 2 "$w/s44.wav" synth 2 sine 440 gain -6
sox -n -r 22050 -c 1 "$w/m22.wav" synth 2 sine 1000 gain -6
sox -n -r 11025 -c 1 "$w/m11.wav" synth 2 pinknoise gain -12
lame -t --quiet -b 128 -m j "$w/s44.wav" cbr44_joint.mp3
lame -t --quiet -V 4 -m m "$w/m22.wav" vbr22_mono.mp3
lame -t --quiet -b 32 -m m "$w/m11.wav" cbr11_mono.mp3
# ID3v2 in front, ID3v1 at the end.
lame -t --quiet -b 96 -m s --resample 44.1 --add-id3v2 --tt "Tagged Title" --ta "Some Artist" --tl "An Album" \
  "$w/s44.wav" tagged44.mp3
# 128 then 160 kbit/s frames: one bit-rate change.
lame -t --quiet -b 128 -m j "$w/s44.wav" "$w/a.mp3"
lame -t --quiet -b 160 -m j "$w/s44.wav" "$w/b.mp3"
cat "$w/a.mp3" "$w/b.mp3" >change128to160.mp3

#!/usr/bin/env bash
# Regenerates the MP3 inputs of the SWF conversion tests. Encoded with
# `lame -t` (no Xing/LAME information frame) so that ffmpeg's reading of the
# input and of the movie see the same frames.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
sox -n -r 44100 -c 2 "$tmp/s44.wav" synth 2 sine 440 gain -6
sox -n -r 22050 -c 1 "$tmp/m22.wav" synth 2 sine 1000 gain -6
sox -n -r 11025 -c 1 "$tmp/m11.wav" synth 2 pinknoise gain -12
lame -t --quiet -b 128 -m j "$tmp/s44.wav" cbr44_joint.mp3
lame -t --quiet -V 4 -m m "$tmp/m22.wav" vbr22_mono.mp3
lame -t --quiet -b 32 -m m "$tmp/m11.wav" cbr11_mono.mp3
# Tagged: ID3v2 in front, ID3v1 at the end.
lame -t --quiet -b 96 -m s --resample 44.1 --add-id3v2 --tt "Tagged Title" --ta "Some Artist" --tl "An Album" \
  "$tmp/s44.wav" tagged44.mp3
# 128 then 160 kbit/s frames: one bit-rate change.
lame -t --quiet -b 128 -m j "$tmp/s44.wav" "$tmp/a.mp3"
lame -t --quiet -b 160 -m j "$tmp/s44.wav" "$tmp/b.mp3"
cat "$tmp/a.mp3" "$tmp/b.mp3" > change128to160.mp3
# A 48 kHz file: no frame we can stream.
sox -n -r 48000 -c 1 "$tmp/m48.wav" synth 1 sine 440
lame -t --quiet -b 64 "$tmp/m48.wav" unsupported48.mp3

#!/usr/bin/env bash
# Makes the MP3 fixtures of the FLV tests. Needs sox, lame and id3v2.
# lame -t leaves out the Xing/Info frame, so every frame is audio and the
# frames ffmpeg reads from a file are exactly the frames converted.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# name rate channels seconds lame-options...
make() {
  local name=$1 rate=$2 channels=$3 seconds=$4
  shift 4
  if [ "$channels" = 2 ]; then
    sox -n -r "$rate" -c 2 -b 16 "$tmp/$name.wav" synth "$seconds" sine 440 sine 660 vol 0.5
  else
    sox -n -r "$rate" -c 1 -b 16 "$tmp/$name.wav" synth "$seconds" sine 300-2000 vol 0.5
  fi
  # --resample keeps lame from picking a lower rate for low bit rates.
  lame --quiet -t --noreplaygain --resample "$(awk "BEGIN{print $rate/1000}")" "$@" "$tmp/$name.wav" "$name.mp3"
}

make s44_cbr128 44100 2 2 -b 128 -m j     # flags 0x2F, padded and unpadded frames
make s44_cbr160 44100 2 0.5 -b 160 -m j   # for a bit-rate change 128 -> 160
make m44_vbr 44100 1 1.5 -V 5 -m m        # 0x2E
make s22_vbr 22050 2 1.5 -V 4 -m j        # 0x2B
make m22_cbr32 22050 1 1.5 -b 32 -m m     # 0x2A
make s11_cbr32 11025 2 1.5 -b 32 -m s     # 0x27
make m11_vbr 11025 1 1.5 -V 6 -m m        # 0x26
make short 44100 2 0.3 -b 96 -m j         # under a second: scanned duration 0
make long60 11025 1 60 -b 8 -m m          # a minute at 8 kbit/s, for truncation
make tagged 44100 2 1 -b 64 -m j
id3v2 -a "The Artist" -t "Café Song" -A "An Album" -y 2007 tagged.mp3
ls -l ./*.mp3

#!/bin/sh
# Makes the spectrum decoder's fixtures: short lame-encoded clips at the three
# accepted rates (44100 MPEG-1, 22050 MPEG-2, 11025 MPEG 2.5). The transient
# clips mix a quiet tone with sharp noise bursts (castanet-like) so that lame
# switches to short blocks; the sine clips end in digital silence.
# Needs sox and lame. Run from this folder: sh make.sh
set -eu
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# transients RATE CHANNELS SECONDS OUT.wav: a tone plus noise bursts every 0.15 s.
transients() {
  rate=$1; ch=$2; len=$3; out=$4
  sox -n -r "$rate" -c 1 "$tmp/burst.wav" synth 0.012 whitenoise fade q 0.0005 0.012 0.008 vol 0.7
  sox -n -r "$rate" -c 1 "$tmp/gap.wav" trim 0 0.138
  sox "$tmp/burst.wav" "$tmp/gap.wav" "$tmp/click.wav"
  n=$(awk "BEGIN{print int($len / 0.15) - 1}")
  sox "$tmp/click.wav" "$tmp/clicks.wav" repeat "$n"
  sox -n -r "$rate" -c 1 "$tmp/tone.wav" synth "$len" sine 330 sine 1250 vol 0.2
  if [ "$ch" = 1 ]; then
    sox -m "$tmp/tone.wav" "$tmp/clicks.wav" "$out" trim 0 "$len"
  else
    # Left and right differ: the bursts are panned and delayed on one side.
    sox -m "$tmp/tone.wav" "$tmp/clicks.wav" "$tmp/left.wav" trim 0 "$len"
    sox -n -r "$rate" -c 1 "$tmp/tone2.wav" synth "$len" sine 440 vol 0.25
    sox "$tmp/clicks.wav" "$tmp/clicks2.wav" pad 0.04 vol 0.6
    sox -m "$tmp/tone2.wav" "$tmp/clicks2.wav" "$tmp/right.wav" trim 0 "$len"
    sox -M "$tmp/left.wav" "$tmp/right.wav" "$out"
  fi
}

transients 44100 2 1.0 "$tmp/t44s.wav"
lame --quiet -b 128 -m s "$tmp/t44s.wav" stereo44_transients.mp3
lame --quiet -b 112 -m j "$tmp/t44s.wav" joint44_transients.mp3
transients 44100 1 0.8 "$tmp/t44m.wav"
lame --quiet -b 64 -m m "$tmp/t44m.wav" mono44_transients.mp3
transients 22050 1 1.0 "$tmp/t22m.wav"
lame --quiet -b 48 -m m "$tmp/t22m.wav" mono22_transients.mp3
transients 22050 2 1.0 "$tmp/t22s.wav"
lame --quiet -b 64 -m j "$tmp/t22s.wav" joint22_transients.mp3
transients 11025 2 1.5 "$tmp/t11s.wav"
lame --quiet -b 32 -m j "$tmp/t11s.wav" joint11_transients.mp3
lame --quiet -b 32 -m s --resample 11.025 "$tmp/t11s.wav" stereo11_transients.mp3
transients 11025 1 1.5 "$tmp/t11m.wav"
lame --quiet -b 24 -m m "$tmp/t11m.wav" mono11_transients.mp3

# sine RATE FREQUENCY OUT.mp3: 0.5 s of a sine, then 1 s of digital silence.
sine() {
  rate=$1; freq=$2; out=$3; kbps=$4
  sox -n -r "$rate" -c 1 "$tmp/sine.wav" synth 0.5 sine "$freq" vol 0.5
  sox "$tmp/sine.wav" "$tmp/sine_silence.wav" pad 0 1.0
  lame --quiet -b "$kbps" -m m --resample "$(awk "BEGIN{print $rate / 1000}")" "$tmp/sine_silence.wav" "$out"
}
sine 44100 3000 sine44_3000hz.mp3 64
sine 22050 1200 sine22_1200hz.mp3 32
sine 11025 600 sine11_600hz.mp3 16

# levels/*.levels are not made here: they are the decoder's own levels after
# every frame, recorded by the regression test itself:
#   BRELVANO_RECORD_LEVELS=$PWD/levels BRELVANO_SHARED_TESTDATA=... \
#     build/tests/test_spectrum --gtest_filter='*LevelsRegression*'

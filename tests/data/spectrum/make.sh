#!/bin/sh
# Makes the spectrum fixtures with sox and lame (sh make.sh, here). levels/ is
# written by test_spectrum itself (BRELVANO_RECORD_LEVELS=$PWD/levels).
set -eu
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
# RATE CHANNELS SECONDS OUT.wav: tones plus noise bursts every 0.15 s (lame then
# switches to short blocks); the right channel has its own tone and later bursts.
transients() {
  sox -n -r "$1" -c 1 "$t/b.wav" synth 0.012 whitenoise fade q 0.0005 0.012 0.008 vol 0.7
  sox -n -r "$1" -c 1 "$t/g.wav" trim 0 0.138
  sox "$t/b.wav" "$t/g.wav" "$t/c.wav"
  sox "$t/c.wav" "$t/cs.wav" repeat "$(awk "BEGIN{print int($3 / 0.15) - 1}")"
  sox -n -r "$1" -c 1 "$t/tone.wav" synth "$3" sine 330 sine 1250 vol 0.2
  sox -m "$t/tone.wav" "$t/cs.wav" "$t/l.wav" trim 0 "$3"
  [ "$2" = 1 ] && mv "$t/l.wav" "$4" && return
  sox -n -r "$1" -c 1 "$t/tone2.wav" synth "$3" sine 440 vol 0.25
  sox "$t/cs.wav" "$t/cs2.wav" pad 0.04 vol 0.6
  sox -m "$t/tone2.wav" "$t/cs2.wav" "$t/r.wav" trim 0 "$3"
  sox -M "$t/l.wav" "$t/r.wav" "$4"
}
transients 44100 2 1.0 "$t/44s.wav"
lame --quiet -b 128 -m s "$t/44s.wav" stereo44_transients.mp3
lame --quiet -b 112 -m j "$t/44s.wav" joint44_transients.mp3
transients 44100 1 0.8 "$t/44m.wav" && lame --quiet -b 64 -m m "$t/44m.wav" mono44_transients.mp3
transients 22050 1 1.0 "$t/22m.wav" && lame --quiet -b 48 -m m "$t/22m.wav" mono22_transients.mp3
transients 22050 2 1.0 "$t/22s.wav" && lame --quiet -b 64 -m j "$t/22s.wav" joint22_transients.mp3
transients 11025 2 1.5 "$t/11s.wav"
lame --quiet -b 32 -m j "$t/11s.wav" joint11_transients.mp3
lame --quiet -b 32 -m s --resample 11.025 "$t/11s.wav" stereo11_transients.mp3
transients 11025 1 1.5 "$t/11m.wav" && lame --quiet -b 24 -m m "$t/11m.wav" mono11_transients.mp3
for s in "44100 3000 64" "22050 1200 32" "11025 600 16"; do  # RATE FREQUENCY KBPS: 0.5 s sine, 1 s silence
  set -- $s
  sox -n -r "$1" -c 1 "$t/s.wav" synth 0.5 sine "$2" vol 0.5 pad 0 1.0
  lame --quiet -b "$3" -m m --resample "$(awk "BEGIN{print $1 / 1000}")" "$t/s.wav" "sine$(($1 / 1000))_$2hz.mp3"
done

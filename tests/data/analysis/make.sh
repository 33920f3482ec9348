#!/usr/bin/env bash
# Regenerates the MP3 fixtures of the analysis tests and the demo samples.
# Needs: sox, lame, ffmpeg/ffprobe, id3v2 (id3lib), eyeD3, mid3v2 (mutagen).
#   apt-get install -y sox libsox-fmt-mp3 lame ffmpeg id3v2 eyed3 python3-mutagen
# Writes the .mp3/.mp2 files next to this script, ../samples/*.mp3, and
# probe.tsv: ffprobe's view of every audio fixture (file, codec, sample rate,
# channels, packets), which the tests compare the scan with.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
samples="$here/../samples"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$here"
rm -f ./*.mp3 ./*.mp2 probe.tsv
mkdir -p "$samples"
rm -f "$samples"/*.mp3

# Source sounds: repeatable (-R), 16-bit, a tone per channel plus a little
# noise so that VBR encodings really vary their frame sizes.
tone() {  # rate channels seconds out
  local rate=$1 channels=$2 seconds=$3 out=$4
  if [ "$channels" = 1 ]; then
    sox -R -n -r "$rate" -c 1 -b 16 "$work/$out" synth "$seconds" sine 440 vol 0.5
  else
    sox -R -n -r "$rate" -c 2 -b 16 "$work/$out" synth "$seconds" sine 440 sine 660 vol 0.5
  fi
}
varied() {  # rate channels seconds out: a sweep with bursts of noise
  local rate=$1 channels=$2 seconds=$3 out=$4
  sox -R -n -r "$rate" -c "$channels" -b 16 "$work/s.wav" synth "$seconds" sine 200-4000 vol 0.4
  sox -R -n -r "$rate" -c "$channels" -b 16 "$work/n.wav" synth "$seconds" pinknoise vol 0.3 \
    tremolo 2 100
  sox -R -m "$work/s.wav" "$work/n.wav" "$work/$out"
}
# The output keeps the input's rate (lame would otherwise pick one for the bit rate).
enc() { lame --quiet --nohist --resample "$(soxi -r "${@: -2:1}" | awk '{ printf "%g", $1 / 1000 }')" "$@"; }

tone 44100 2 1 t44s.wav
tone 44100 1 1 t44m.wav
tone 22050 2 2 t22s.wav
tone 22050 1 2 t22m.wav
tone 11025 1 1 t11m.wav
tone 11025 2 2 t11s.wav
varied 44100 2 2 v44s.wav
varied 22050 1 2 v22m.wav
varied 11025 2 2 v11s.wav

# MPEG-1 Layer III, 44100 Hz.
enc -b 128 -m s "$work/t44s.wav" cbr128_44100_stereo.mp3
enc -b 128 -m j "$work/t44s.wav" cbr128_44100_joint.mp3
enc -b 64 -m m "$work/t44m.wav" cbr64_44100_mono.mp3
enc -b 128 -m j -p "$work/t44s.wav" cbr128_44100_crc.mp3
enc -b 128 -m j -t "$work/t44s.wav" cbr128_44100_noxing.mp3
enc -V 4 -m j "$work/v44s.wav" vbr_44100_joint.mp3
enc -V 4 -m j -t "$work/v44s.wav" vbr_44100_joint_noxing.mp3
# MPEG-2 Layer III, 22050 Hz.
enc -b 64 -m s "$work/t22s.wav" cbr64_22050_stereo.mp3
enc -b 32 -m m -p "$work/t22m.wav" cbr32_22050_mono_crc.mp3
enc -V 5 -m m "$work/v22m.wav" vbr_22050_mono.mp3
# MPEG 2.5 Layer III, 11025 Hz.
enc -b 32 -m m "$work/t11m.wav" cbr32_11025_mono.mp3
enc -b 24 -m j -t "$work/t11s.wav" cbr24_11025_joint_noxing.mp3
enc -V 6 -m j "$work/v11s.wav" vbr_11025_joint.mp3
# Frames the Flash outputs cannot stream: Layer II, and Layer III at 48 kHz.
ffmpeg -loglevel error -i "$work/t44s.wav" -c:a mp2 -b:a 128k -f mp2 layer2_44100.mp2
tone 48000 2 1 t48s.wav
ffmpeg -loglevel error -i "$work/t48s.wav" -c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0 \
  -f mp3 cbr128_48000_stereo.mp3

# Tagged copies of one small clip (11025 Hz mono, 32 kbit/s).
base=cbr32_11025_mono.mp3
latin1() { printf '%s' "$1" | iconv -f UTF-8 -t ISO-8859-1; }
tagged() { cp "$base" "$1"; }

# id3lib writes ID3v2.3 with ISO-8859-1 text as given: hand it Latin-1 bytes.
tagged id3v23_latin1.mp3
id3v2 -2 -t "$(latin1 'Café au lait')" -a "$(latin1 'Zoë Ångström')" -A "$(latin1 'Déjà vu')" -y 1999 \
  id3v23_latin1.mp3
# id3lib's default: both an ID3v2.3 and an ID3v1.1 tag.
tagged id3v23_and_v1.mp3
id3v2 -t "Both Tags" -a "Two Kinds" -A "Layered" -y 2001 -c "a v1 comment" -g 17 -T 4 id3v23_and_v1.mp3
# ID3v1 only: v1.1 with a track number (id3lib), and one written by eyeD3.
tagged id3v11.mp3
id3v2 -1 -t "Short" -a "Tagger" -A "Version One" -y 1987 -c "twenty-eight characters long" -g 8 -T 7 \
  id3v11.mp3
tagged id3v1_eyed3.mp3
eyeD3 --quiet --v1 --to-v1.1 -t "Plain" -a "Old Style" -A "Archive" -Y 1975 -c "from eyeD3" -G 0 \
  id3v1_eyed3.mp3 >/dev/null
# eyeD3: ID3v2.3 in UTF-16 with a non-BMP character (surrogate pair), and in
# ISO-8859-1; ID3v2.4.
tagged id3v23_utf16.mp3
eyeD3 --quiet --to-v2.3 --encoding utf16 -t "Café 🎵 Noël" -a "Ñandú" -A "Ünïcödé" --recording-date 2007 \
  id3v23_utf16.mp3 >/dev/null
tagged id3v23_eyed3_latin1.mp3
eyeD3 --quiet --to-v2.3 --encoding latin1 -t "Crème brûlée" -a "Françoise" -A "Été" --recording-date 1968 \
  id3v23_eyed3_latin1.mp3 >/dev/null
tagged id3v24_eyed3.mp3
eyeD3 --quiet --to-v2.4 -t "Four" -a "Newer" -A "Not Read" --recording-date 2010 id3v24_eyed3.mp3 >/dev/null
# mutagen: ID3v2.4, then also an ID3v1 tag behind the audio (id3lib).
tagged id3v24_mid3v2.mp3
mid3v2 -t "Mutagen Four" -a "Quod Libet" -A "Not Read Either" -y 2012 id3v24_mid3v2.mp3
tagged id3v24_and_v1.mp3
mid3v2 -t "Four Wins" -a "Nobody" -y 2013 id3v24_and_v1.mp3
id3v2 -1 -t "Hidden" -a "Behind" id3v24_and_v1.mp3
# A long ISO-8859-1 title: 300 characters, every fifth one non-ASCII.
tagged id3v23_long_latin1.mp3
long=$(python3 -c "print(''.join('é' if i % 5 == 4 else chr(ord('a') + i % 26) for i in range(300)))")
id3v2 -2 -t "$(latin1 "$long")" id3v23_long_latin1.mp3

# What ffprobe sees in each audio fixture.
printf 'file\tcodec\tsample_rate\tchannels\tpackets\n' >probe.tsv
for f in *.mp3 *.mp2; do
  line=$(ffprobe -v error -count_packets -select_streams a:0 \
    -show_entries stream=codec_name,sample_rate,channels,nb_read_packets -of csv=p=0 "$f")
  IFS=, read -r codec rate channels packets <<<"$line"
  printf '%s\t%s\t%s\t%s\t%s\n' "$f" "$codec" "$rate" "$channels" "$packets" >>probe.tsv
done

# Demo samples: a few seconds each, tagged, different rates and modes.
sox -R -n -r 44100 -c 2 -b 16 "$work/chimes.wav" synth 4 pluck C4 pluck E4 fade 0 4 1.5 \
  reverb 40
enc -b 96 -m j "$work/chimes.wav" "$samples/chimes_44100_joint.mp3"
eyeD3 --quiet --to-v2.3 -t "Morning Chimes" -a "Brelvano Demo" -A "Test Tones" --recording-date 2007 \
  "$samples/chimes_44100_joint.mp3" >/dev/null
sox -R -n -r 22050 -c 2 -b 16 "$work/drift.wav" synth 5 sine 220-330 sine 330-220 tremolo 3 40 \
  fade 0.5 5 1
enc -V 5 -m s "$work/drift.wav" "$samples/drift_22050_stereo_vbr.mp3"
id3v2 -2 -t "Slow Drift" -a "Brelvano Demo" -A "Test Tones" -y 2007 "$samples/drift_22050_stereo_vbr.mp3"
sox -R -n -r 11025 -c 1 -b 16 "$work/hum.wav" synth 5 square 110 vol 0.3 lowpass 900 fade 0.3 5 1
enc -b 32 -m m "$work/hum.wav" "$samples/hum_11025_mono.mp3"
mid3v2 -t "Low Hum" -a "Brelvano Demo" -A "Test Tones" "$samples/hum_11025_mono.mp3"
eyeD3 --quiet --to-v2.3 "$samples/hum_11025_mono.mp3" >/dev/null
sox -R -n -r 44100 -c 1 -b 16 "$work/pulse.wav" synth 4 sine 880 tremolo 6 90 fade 0 4 0.5
enc -b 64 -m m "$work/pulse.wav" "$samples/pulse_44100_mono.mp3"
id3v2 -2 -t "Bright Pulse" -a "Brelvano Demo" -A "Test Tones" -y 2007 "$samples/pulse_44100_mono.mp3"

du -sh "$here" "$samples"

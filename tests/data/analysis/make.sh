#!/usr/bin/env bash
# Regenerates the analysis fixtures, ../samples/*.mp3, probe.tsv (ffprobe's
# view of every fixture, which the scan tests compare with) and tags.tsv
# (mutagen's reading of their tags, which the tag tests compare with).
#   apt-get install -y sox libsox-fmt-mp3 lame ffmpeg id3v2 eyed3 python3-mutagen
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd); s="$here/../samples"; w=$(mktemp -d); trap 'rm -rf "$w"' EXIT
cd "$here"; rm -f ./*.mp3 ./*.mp2 probe.tsv "$s"/*.mp3; mkdir -p "$s"
# Repeatable (-R) 16-bit sounds: a tone per channel, or a sweep with noise bursts so that VBR varies.
tone() { if [ "$2" = 1 ]; then sox -R -n -r "$1" -c 1 -b 16 "$w/$4" synth "$3" sine 440 vol 0.5
         else sox -R -n -r "$1" -c 2 -b 16 "$w/$4" synth "$3" sine 440 sine 660 vol 0.5; fi; }
varied() {
  sox -R -n -r "$1" -c "$2" -b 16 "$w/s.wav" synth "$3" sine 200-4000 vol 0.4
  sox -R -n -r "$1" -c "$2" -b 16 "$w/n.wav" synth "$3" pinknoise vol 0.3 tremolo 2 100
  sox -R -m "$w/s.wav" "$w/n.wav" "$w/$4"
}
# lame keeps the input's rate.
enc() { lame --quiet --nohist --resample "$(soxi -r "${@: -2:1}" | awk '{ printf "%g", $1 / 1000 }')" "$@"; }
tone 44100 2 1 t44s.wav; tone 44100 1 1 t44m.wav; tone 22050 2 2 t22s.wav; tone 22050 1 2 t22m.wav
tone 11025 1 1 t11m.wav; tone 11025 2 2 t11s.wav; tone 48000 2 1 t48s.wav
varied 44100 2 2 v44s.wav; varied 22050 1 2 v22m.wav; varied 11025 2 2 v11s.wav
while read -r in out opts; do
  # shellcheck disable=SC2086
  enc $opts "$w/$in" "$out"
done <<'EOF'
t44s.wav cbr128_44100_stereo.mp3 -b 128 -m s
t44s.wav cbr128_44100_joint.mp3 -b 128 -m j
t44m.wav cbr64_44100_mono.mp3 -b 64 -m m
t44s.wav cbr128_44100_crc.mp3 -b 128 -m j -p
t44s.wav cbr128_44100_noxing.mp3 -b 128 -m j -t
v44s.wav vbr_44100_joint.mp3 -V 4 -m j
v44s.wav vbr_44100_joint_noxing.mp3 -V 4 -m j -t
t22s.wav cbr64_22050_stereo.mp3 -b 64 -m s
t22m.wav cbr32_22050_mono_crc.mp3 -b 32 -m m -p
v22m.wav vbr_22050_mono.mp3 -V 5 -m m
t11m.wav cbr32_11025_mono.mp3 -b 32 -m m
t11s.wav cbr24_11025_joint_noxing.mp3 -b 24 -m j -t
v11s.wav vbr_11025_joint.mp3 -V 6 -m j
EOF
# Frames the Flash outputs cannot stream: Layer II, and Layer III at 48 kHz.
ffmpeg -loglevel error -i "$w/t44s.wav" -c:a mp2 -b:a 128k -f mp2 layer2_44100.mp2
ffmpeg -loglevel error -i "$w/t48s.wav" -c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0 -f mp3 \
  cbr128_48000_stereo.mp3
# Tagged copies of cbr32_11025_mono.mp3. id3lib writes ISO-8859-1 as given: hand it Latin-1 bytes.
t() { cp cbr32_11025_mono.mp3 "$1"; }
l1() { printf '%s' "$1" | iconv -f UTF-8 -t ISO-8859-1; }
t id3v23_latin1.mp3; id3v2 -2 -t "$(l1 'Café au lait')" -a "$(l1 'Zoë Ångström')" -A "$(l1 'Déjà vu')" -y 1999 "$_"
t id3v23_and_v1.mp3; id3v2 -t "Both Tags" -a "Two Kinds" -A Layered -y 2001 -c "a v1 comment" -g 17 -T 4 "$_"
t id3v11.mp3; id3v2 -1 -t Short -a Tagger -A "Version One" -y 1987 -c "twenty-eight characters long" -g 8 -T 7 "$_"
t id3v1_eyed3.mp3
eyeD3 -Q --v1 --to-v1.1 -t Plain -a "Old Style" -A Archive -Y 1975 -c "from eyeD3" -G 0 "$_" >/dev/null
t id3v23_utf16.mp3
eyeD3 -Q --to-v2.3 --encoding utf16 -t "Café 🎵 Noël" -a "Ñandú" -A "Ünïcödé" --recording-date 2007 "$_" >/dev/null
t id3v23_eyed3_latin1.mp3
eyeD3 -Q --to-v2.3 --encoding latin1 -t "Crème brûlée" -a Françoise -A Été --recording-date 1968 "$_" >/dev/null
# ID3v2.4, what eyeD3, mid3v2 and ffmpeg write by default, in its four text encodings.
e4() { f=$1; shift; t "$f"; eyeD3 -Q --to-v2.4 "$@" "$f" >/dev/null; }
e4 id3v24_eyed3.mp3 -t Four -a Newer -A "Read Now" --recording-date 2010
e4 id3v24_eyed3_latin1.mp3 --encoding latin1 -t "Crème brûlée" -a Françoise -A Été --recording-date 1968-05-03
e4 id3v24_eyed3_utf16.mp3 --encoding utf16 -t "Café 🎵 Noël" -a "Ñandú" -A "Ünïcödé" --recording-date 2007
e4 id3v24_eyed3_utf16be.mp3 --encoding utf16-be -t "Привет 🎶 мир" -a "Ελληνικά" -A "日本語のアルバム" \
  --recording-date 2015-03-02T10:20
e4 id3v24_eyed3_utf8.mp3 --encoding utf8 -t "Ærø ⚓ Ødegård" -a "Sigur Rós" -A "Ágætis byrjun" --recording-date 1999
t id3v24_mid3v2.mp3; mid3v2 -t "Mutagen Four ✓" -a "Quod Libet" -A "Ex Falso" -y 2012 "$_"
t id3v24_and_v1.mp3; mid3v2 -t "Four Wins" -a Nobody -y 2013 "$_"; id3v2 -1 -t Hidden -a Behind -A "From V1" "$_"
# 300 UTF-8 characters, every fifth one non-ASCII: cut to fit the title's 256 bytes.
t id3v24_long_utf8.mp3
mid3v2 -t "$(python3 -c "print(''.join('€' if i % 5 == 4 else chr(97 + i % 26) for i in range(300)))")" "$_"
# ffmpeg: a copy with its metadata (UTF-8 where needed), and an encoding whose
# ID3v2.4 tag holds only the encoder's name, with an ID3v1 tag added by id3v2.
ffmpeg -loglevel error -i cbr32_11025_mono.mp3 -c:a copy -metadata title="Ärger im Paradies" \
  -metadata artist="Þórunn" -metadata album="夏の日" -metadata date=2011-04-05 ffmpeg_v24_utf8.mp3
ffmpeg -loglevel error -i cbr32_11025_mono.mp3 -c:a copy -metadata title="Plain Title" -metadata artist=Someone \
  -metadata album=Anything -metadata date=1999 ffmpeg_v24_ascii.mp3
ffmpeg -loglevel error -i "$w/t11m.wav" -c:a libmp3lame -b:a 32k ffmpeg_encoded_and_v1.mp3
id3v2 -1 -t "Only In V1" -a "Old Tagger" -A "Second Chance" -y 2003 -c "kept behind" -g 12 "$_"
# 300 characters, every fifth one non-ASCII.
t id3v23_long_latin1.mp3
id3v2 -2 -t "$(l1 "$(python3 -c "print(''.join('é' if i % 5 == 4 else chr(97 + i % 26) for i in range(300)))")")" "$_"
python3 - >tags.tsv <<'EOF'
# What mutagen reads: its ID3v2 frames, completed from the ID3v1 tag; the year
# as the recording time (mutagen turns TYER into TDRC).
import glob
from mutagen.id3 import ID3, ID3NoHeaderError
print("file\ttitle\tartist\talbum\tyear")
for name in sorted(glob.glob("*.mp3")):
    try:
        tags = ID3(name)
    except ID3NoHeaderError:
        tags = {}
    text = lambda key: str(tags[key].text[0]) if key in tags and tags[key].text else ""
    print("\t".join([name, text("TIT2"), text("TPE1"), text("TALB"), text("TDRC")]))
EOF
printf 'file\tcodec\tsample_rate\tchannels\tpackets\n' >probe.tsv
for f in *.mp3 *.mp2; do
  ffprobe -v error -count_packets -select_streams a:0 -of csv=p=0 \
    -show_entries stream=codec_name,sample_rate,channels,nb_read_packets "$f" | head -1 | cut -d, -f1-4 | tr , '\t' | sed "s/^/$f\t/" >>probe.tsv
done
# Demo samples: a few seconds each, tagged, different rates and modes.
sox -R -n -r 44100 -c 2 -b 16 "$w/c.wav" synth 4 pluck C4 pluck E4 fade 0 4 1.5 reverb 40
enc -b 96 -m j "$w/c.wav" "$s/chimes_44100_joint.mp3"
eyeD3 -Q --to-v2.3 -t "Morning Chimes" -a "Brelvano Demo" -A "Test Tones" --recording-date 2007 "$_" >/dev/null
sox -R -n -r 22050 -c 2 -b 16 "$w/d.wav" synth 5 sine 220-330 sine 330-220 tremolo 3 40 fade 0.5 5 1
enc -V 5 -m s "$w/d.wav" "$s/drift_22050_stereo_vbr.mp3"
id3v2 -2 -t "Slow Drift" -a "Brelvano Demo" -A "Test Tones" -y 2007 "$_"
sox -R -n -r 11025 -c 1 -b 16 "$w/h.wav" synth 5 square 110 vol 0.3 lowpass 900 fade 0.3 5 1
enc -b 32 -m m "$w/h.wav" "$s/hum_11025_mono.mp3"
mid3v2 -t "Low Hum" -a "Brelvano Demo" -A "Test Tones" "$_"; eyeD3 -Q --to-v2.3 "$_" >/dev/null
sox -R -n -r 44100 -c 1 -b 16 "$w/p.wav" synth 4 sine 880 tremolo 6 90 fade 0 4 0.5
enc -b 64 -m m "$w/p.wav" "$s/pulse_44100_mono.mp3"
id3v2 -2 -t "Bright Pulse" -a "Brelvano Demo" -A "Test Tones" -y 2007 "$_"

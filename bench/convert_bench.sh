#!/usr/bin/env bash
# Times brelvano-cli conversions of a 20-minute 192 kbit/s MP3 against ffmpeg
# doing the nearest job, in the same run, and prints time and peak-memory
# ratios (ours / ffmpeg's; at most 1.0 is the goal, 0.5 for the spectrum
# against a full decode).
#   bash bench/convert_bench.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
bash "$root/scripts/install-deps.sh"
for tool in lame sox /usr/bin/time; do
  command -v "$tool" >/dev/null || { apt-get install -y -qq lame sox time >/dev/null; break; }
done
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRELVANO_TESTS=OFF >/dev/null
cmake --build "$root/build/bench" --target brelvano-cli >/dev/null
cli="$root/build/bench/brelvano-cli"

work="$root/build/bench/work"
mkdir -p "$work/out"
input="$work/long192.mp3"
if [ ! -s "$input" ]; then
  echo "Encoding a 20-minute test file (once)..."
  sox -n -r 44100 -c 2 -t wav - synth 1200 pinknoise sine 440 tremolo 3 40 gain -8 |
    lame --quiet -b 192 - "$input"
fi
echo "Input: $(du -h "$input" | cut -f1) ($input)"

# Best wall time (s) and largest peak RSS (KiB) over the runs of a command.
measure() {
  local best="" peak=0 line t m
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/time.txt" bash -c "$1" >/dev/null 2>&1
    line=$(tail -1 "$work/time.txt")
    t=${line% *}; m=${line#* }
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
    [ "$m" -gt "$peak" ] && peak=$m
  done
  echo "$best $peak"
}

compare() {
  local label=$1 ours theirs
  ours=$(measure "$2")
  theirs=$(measure "$3")
  awk -v l="$label" -v o="$ours" -v t="$theirs" 'BEGIN {
    split(o, a, " "); split(t, b, " ");
    printf "%-34s ours %6.2f s %7d KiB | ffmpeg %6.2f s %7d KiB | time ratio %.2f  memory ratio %.2f\n",
           l, a[1], a[2], b[1], b[2], (b[1] > 0 ? a[1] / b[1] : 0), a[2] / b[2] }'
}

# bash -c runs each command, so both sides pay the same shell start-up
# (and /usr/bin/time's peak RSS is the largest of the processes).
q() { printf '%q' "$1"; }
compare "SWF vs ffmpeg remux to SWF" \
  "exec $(q "$cli") convert --force --dest $(q "$work/out") $(q "$input")" \
  "exec ffmpeg -nostdin -v error -y -i $(q "$input") -c:a copy $(q "$work/out/ff.swf")"
compare "FLV vs ffmpeg remux to FLV" \
  "exec $(q "$cli") convert --force --format flv --dest $(q "$work/out") $(q "$input")" \
  "exec ffmpeg -nostdin -v error -y -i $(q "$input") -c:a copy $(q "$work/out/ff.flv")"
compare "SWF+spectrum vs ffmpeg full decode" \
  "exec $(q "$cli") convert --force --spectrum --dest $(q "$work/out") $(q "$input")" \
  "exec ffmpeg -nostdin -v error -threads 1 -i $(q "$input") -f null -"

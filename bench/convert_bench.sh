#!/usr/bin/env bash
# Times brelvano-cli conversions of a 20-minute 192 kbit/s MP3 against ffmpeg
# doing the nearest job, in the same run, and prints time and peak-memory
# ratios (ours / ffmpeg's; at most 1.0 is the goal, 0.5 for the spectrum
# against a full decode). Then counts the instructions (callgrind) and times
# the spectrum conversion of 120 s of the same signal beside two full
# decodes of it, `mpg123 -t` and ffmpeg's, and prints the ratios (ours /
# theirs; at most 0.5 against mpg123 is the goal). Instruction counts do not
# depend on the load of a shared machine.
#   bash bench/convert_bench.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
bash "$root/scripts/install-deps.sh"
for tool in lame sox /usr/bin/time valgrind; do
  command -v "$tool" >/dev/null || { apt-get install -y -qq lame sox time valgrind >/dev/null; break; }
done
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRELVANO_TESTS=OFF >/dev/null
cmake --build "$root/build/bench" --target brelvano-cli >/dev/null
cli="$root/build/bench/brelvano-cli"

work="$root/build/bench/work"
mkdir -p "$work/out"
input="$work/long192.mp3"
# 192 kbit/s stereo of pink noise and a tremolo sine, `seconds` long.
encode() {
  sox -n -r 44100 -c 2 -t wav - synth "$1" pinknoise sine 440 tremolo 3 40 gain -8 2>/dev/null |
    lame --quiet -b 192 - "$2"
}
if [ ! -s "$input" ]; then
  echo "Encoding a 20-minute test file (once)..."
  encode 1200 "$input"
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

# Instructions and wall time of the spectrum path against full decodes.
short="$work/short192.mp3"
[ -s "$short" ] || encode 120 "$short"
# libhwy (loaded by ffmpeg through libjxl) probes its timer with RDTSCP in a
# static initialiser, which valgrind cannot run (SIGILL): a preloaded
# stand-in answers instead.
stub="$work/hwy_timer_stub.so"
[ "$stub" -nt "$root/bench/hwy_timer_stub.cpp" ] ||
  g++ -O2 -shared -fPIC "$root/bench/hwy_timer_stub.cpp" -o "$stub"
instructions() {
  local count
  count=$(bash -c "$1" 2>&1 >/dev/null | sed -n 's/^==[0-9]*== Collected : //p')
  [ -n "$count" ] || { echo "callgrind gave no count for: $1" >&2; exit 1; }
  echo "$count"
}
callgrind="valgrind --tool=callgrind --callgrind-out-file=/dev/null"
spectrum="$(q "$cli") convert --force --spectrum --dest $(q "$work/out") $(q "$short")"
mpg123="mpg123 -q -t $(q "$short")"
ffdecode="ffmpeg -nostdin -v error -threads 1 -i $(q "$short") -f null -"
echo "Spectrum path against full decodes of $(du -h "$short" | cut -f1) (120 s, $short):"
ours_i=$(instructions "exec $callgrind $spectrum")
mpg_i=$(instructions "exec $callgrind $mpg123")
ff_i=$(instructions "LD_PRELOAD=$(q "$stub") exec $callgrind $ffdecode")
ours_t=$(measure "exec $spectrum")
mpg_t=$(measure "exec $mpg123")
ff_t=$(measure "exec $ffdecode")
awk -v oi="$ours_i" -v mi="$mpg_i" -v fi="$ff_i" -v ot="$ours_t" -v mt="$mpg_t" -v ft="$ff_t" 'BEGIN {
  split(ot, o, " "); split(mt, m, " "); split(ft, f, " ");
  printf "  %-32s %7.1f M instructions %6.3f s\n", "brelvano-cli convert --spectrum", oi / 1e6, o[1];
  printf "  %-32s %7.1f M instructions %6.3f s\n", "mpg123 -t", mi / 1e6, m[1];
  printf "  %-32s %7.1f M instructions %6.3f s\n", "ffmpeg -threads 1 -f null", fi / 1e6, f[1];
  printf "  ratio against mpg123: instructions %.2f  time %.2f (goal: instructions at most 0.50)\n",
         oi / mi, (m[1] > 0 ? o[1] / m[1] : 0);
  printf "  ratio against ffmpeg: instructions %.2f  time %.2f\n", oi / fi, (f[1] > 0 ? o[1] / f[1] : 0) }'

#!/usr/bin/env bash
# Times `brelvano-cli info` on 2 GiB that hold no audio against `cat` reading
# the same bytes into /dev/null, in the same run, and prints the ratio (ours /
# cat's; the goal is a small multiple of 1: the scan should cost memory
# bandwidth, not a loop per byte). Also a sparse file of the same size, which
# the scan jumps over without reading.
#   bash bench/scan_bench.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRELVANO_TESTS=OFF >/dev/null
cmake --build "$root/build/bench" --target brelvano-cli >/dev/null
cli="$root/build/bench/brelvano-cli"

work="$root/build/bench/scan"
mkdir -p "$work"
zeros="$work/zeros.mp3"
sparse="$work/sparse.mp3"
if [ "$(stat -c %s "$zeros" 2>/dev/null || echo 0)" != 2147483648 ]; then
  echo "Writing 2 GiB of zeros (once)..."
  dd if=/dev/zero of="$zeros" bs=1M count=2048 status=none
fi
rm -f "$sparse"
truncate -s 2G "$sparse"

# Best wall time (s) over the runs of a command.
best() {
  local b="" t
  for _ in $(seq "$runs"); do
    t=$( { /usr/bin/time -f "%e" bash -c "$1" >/dev/null 2>/dev/null; } 2>&1 | tail -1)
    if [ -z "$b" ] || awk "BEGIN{exit !($t < $b)}"; then b=$t; fi
  done
  echo "$b"
}

cat "$zeros" >/dev/null  # into the page cache for both
ours=$(best "'$cli' info '$zeros'")
peer=$(best "cat '$zeros' >/dev/null")
holes=$(best "'$cli' info '$sparse'")
printf '%-34s %8s s\n' "info, 2 GiB of zeros" "$ours" "cat of the same bytes" "$peer" "info, 2 GiB sparse (a hole)" "$holes"
awk -v o="$ours" -v p="$peer" 'BEGIN { printf "ratio info / cat: %.2f\n", (p > 0 ? o / p : 0) }'

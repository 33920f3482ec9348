#!/usr/bin/env bash
# Runs every fuzz target of a build folder for a bounded time, two at a time.
# Seeds come from fuzz/corpus/<target>/ and the committed test data; new inputs
# go to a scratch corpus. Fails on any crash, leak or sanitizer report.
set -euo pipefail
build=${1:?build folder}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
pids=()
names=()
run_one() {
  local target=$1 name
  name=$(basename "$target")
  mkdir -p "$work/$name"
  local seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds+=("$root/fuzz/corpus/$name")
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/$name-" "$work/$name" "${seeds[@]}" >"$work/$name.log" 2>&1
}
collect() {
  for i in "${!pids[@]}"; do
    if wait "${pids[$i]}"; then
      echo "fuzz ${names[$i]}: ok ($(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$work/${names[$i]}.log" || true))"
    else
      echo "fuzz ${names[$i]}: FAILED"; tail -40 "$work/${names[$i]}.log"; status=1
    fi
  done
  pids=(); names=()
}
for target in "$build"/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  run_one "$target" &
  pids+=($!)
  names+=("$(basename "$target")")
  if [ ${#pids[@]} -ge 2 ]; then collect; fi
done
collect
exit $status

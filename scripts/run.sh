#!/usr/bin/env bash
# The main job: build brelvano-cli, analyse the bundled sample files and
# convert them into a folder (default build/demo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
out=${1:-build/demo}
mkdir -p "$out"
build/release/brelvano-cli info tests/data/samples/*.mp3
build/release/brelvano-cli convert --force --dest "$out" tests/data/samples/*.mp3
echo "Movies written to $out"

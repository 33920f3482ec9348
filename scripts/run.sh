#!/usr/bin/env bash
# The main job: build brelvano-cli and analyse the bundled sample files.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build/release/brelvano-cli info tests/data/samples/*.mp3

#!/usr/bin/env bash
# The main job: build brelvano-cli, make a project of the bundled sample
# files, publish it into a folder (default build/demo) and say where the
# page is.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
out=${1:-build/demo}
bash scripts/demo-publish.sh build/release/brelvano-cli "$out"

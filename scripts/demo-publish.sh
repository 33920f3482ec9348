#!/usr/bin/env bash
# Demo: make a project of the bundled sample MP3 files, publish it into a
# folder and say where the page is. Usage: scripts/demo-publish.sh [CLI [OUTDIR]]
# (defaults: build/release/brelvano-cli and a fresh folder under /tmp).
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build/release/brelvano-cli}"
out="${2:-$(mktemp -d /tmp/brelvano-demo-XXXXXX)}"
mkdir -p "$out"
project="$out/demo.brv"
"$cli" new --overwrite --dest "$out/site" "$project" tests/data/samples/*.mp3
"$cli" show "$project"
"$cli" publish "$project"
echo
echo "Project: $project"
echo "Published page: $out/site/index.html"
echo "To play it, serve the folder over http, e.g.: (cd $out/site && python3 -m http.server 8000)"
echo "then open http://localhost:8000/"

#!/usr/bin/env bash
# Installs what is needed and builds brelvano-cli into build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRELVANO_TESTS=OFF >/dev/null
cmake --build build/release --target brelvano-cli

#!/usr/bin/env bash
# Every test: the warning-free build and its unit tests, a published folder
# played by Ruffle in headless Chromium, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a
# bounded time (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

echo "== Layers"
python3 scripts/check-layers.py --self-test
python3 scripts/check-layers.py

echo "== Build (gcc, -Werror) and unit tests"
cmake -S . -B build/ci-gcc -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELVANO_WERROR=ON >/dev/null
cmake --build build/ci-gcc -j "$jobs"
ctest --test-dir build/ci-gcc --output-on-failure -j "$jobs"

echo "== Browser test: a published folder in Ruffle, headless Chromium"
BRELVANO_CLI="$PWD/build/ci-gcc/brelvano-cli" node --test tests/web/*.test.mjs

echo "== Sanitizer build (clang, ASan + UBSan) with fuzz targets"
CC=clang CXX=clang++ cmake -S . -B build/ci-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRELVANO_WERROR=ON -DBRELVANO_SANITIZE=ON -DBRELVANO_FUZZ=ON >/dev/null
cmake --build build/ci-sanitize -j "$jobs"
bash scripts/fuzz.sh build/ci-sanitize "${FUZZ_SECONDS:-60}"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/ci-sanitize --output-on-failure -j "$jobs"

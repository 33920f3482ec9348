#!/usr/bin/env bash
# Every test: the warning-free build and its unit tests, a published folder
# played by Ruffle in headless Chromium, clang-tidy, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a
# bounded time (FUZZ_SECONDS, default 30).
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
ctest --test-dir build/ci-gcc --output-on-failure -j "$jobs" -LE screenshots

echo "== Desktop window screenshots (Xvfb)"
ctest --test-dir build/ci-gcc --output-on-failure -L screenshots
ls build/ci-gcc/screenshots/*.png

echo "== Browser test: a published folder in Ruffle, headless Chromium"
BRELVANO_CLI="$PWD/build/ci-gcc/brelvano-cli" node --test tests/web/*.test.mjs

echo "== clang-tidy over src/ (the Qt window aside; checks in .clang-tidy)"
if ! git ls-files 'src/*.cpp' | grep -v '^src/app/' |
  xargs -P "$jobs" -n 4 clang-tidy -p build/ci-gcc --quiet >build/clang-tidy.log 2>&1; then
  grep -v 'warnings generated' build/clang-tidy.log
  echo "clang-tidy found problems"
  exit 1
fi
echo "clang-tidy: no findings"

echo "== Sanitizer build (clang, ASan + UBSan) with fuzz targets"
CC=clang CXX=clang++ cmake -S . -B build/ci-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRELVANO_WERROR=ON -DBRELVANO_SANITIZE=ON -DBRELVANO_FUZZ=ON -DBRELVANO_APP=OFF >/dev/null
cmake --build build/ci-sanitize -j "$jobs"
bash scripts/fuzz.sh build/ci-sanitize "${FUZZ_SECONDS:-30}"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/ci-sanitize --output-on-failure -j "$jobs"

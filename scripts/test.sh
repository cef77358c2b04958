#!/usr/bin/env bash
# Builds and runs every test: a normal build, a build with AddressSanitizer and
# UndefinedBehaviorSanitizer, the headless tests of the shared data under
# ThreadSanitizer, and the MinGW-w64 compile of the portable sources.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

echo "== MinGW-w64 compile of the portable sources"
cmake --preset mingw-check >/dev/null
cmake --build --preset mingw-check -j "$jobs"

echo "== threads build (ThreadSanitizer, headless tests of the shared data)"
cmake --preset threads >/dev/null
cmake --build --preset threads -j "$jobs"
echo "== threads tests"
ctest --preset threads -j "$jobs"

for preset in sanitize default; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset tests"
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --preset "$preset" -j "$jobs"
done

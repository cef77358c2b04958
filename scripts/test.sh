#!/usr/bin/env bash
# Builds and runs every test: a normal build, a build with AddressSanitizer and
# UndefinedBehaviorSanitizer, the headless tests of the shared data under
# ThreadSanitizer, the Windows build (MinGW-w64) with its tests run under Wine, and a
# short run of every fuzz target from its seeds (scripts/fuzz.sh runs them for longer).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

echo "== windows-mingw build (MinGW-w64 cross build)"
cmake --preset windows-mingw >/dev/null
cmake --build --preset windows-mingw -j "$jobs"
echo "== windows-mingw tests (under Wine)"
# The Wine prefix lives in the build folder and is made on its first use (about 10 s).
# One persistent wineserver and one desktop serve every test program of the run.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c '
  export WINEPREFIX="$1" WINEDEBUG=-all
  mkdir -p "$WINEPREFIX"
  wineserver -p
  wine wineboot >/dev/null 2>&1
  status=0
  # A test program that fails is run once more: in a fresh prefix, Wine now and then kills a
  # program at its exit after every test in it passed. The first failure stays in the log,
  # and a program that fails twice fails the run.
  ctest --preset windows-mingw -j "$2" --repeat until-pass:2 || status=$?
  wineserver -k
  exit $status' bash "$PWD/build/windows-mingw/wineprefix" "$jobs"

echo "== threads build (ThreadSanitizer, headless tests of the shared data)"
cmake --preset threads >/dev/null
cmake --build --preset threads -j "$jobs"
echo "== threads tests"
ctest --preset threads -j "$jobs"

echo "== fuzz build (libFuzzer targets, clang)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
echo "== fuzz smoke runs"
ctest --preset fuzz

for preset in sanitize default; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset tests"
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --preset "$preset" -j "$jobs"
done

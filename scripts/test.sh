#!/usr/bin/env bash
# Builds and runs the tests, stage by stage:
#
#   bash scripts/test.sh            every stage, after installing what is missing (CI runs this)
#   bash scripts/test.sh STAGE...   only the stages named, with nothing installed
#
# The stages: windows-mingw (the MinGW-w64 cross build, its tests run under Wine), threads
# (the headless tests of the shared data under ThreadSanitizer), fuzz (every fuzz target for
# a short run from its seeds; scripts/fuzz.sh runs them for longer), sanitize (the whole
# Linux suite with AddressSanitizer and UndefinedBehaviorSanitizer) and default (the whole
# Linux suite in the normal build). Window tests run under a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

all_stages=(windows-mingw threads fuzz sanitize default)
stages=("$@")
if [ ${#stages[@]} -eq 0 ]; then
  stages=("${all_stages[@]}")
  bash scripts/setup.sh
fi
for stage in "${stages[@]}"; do
  case " ${all_stages[*]} " in
    *" $stage "*) ;;
    *) echo "unknown stage: $stage (stages: ${all_stages[*]})" >&2; exit 2 ;;
  esac
done

jobs=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
display=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset")

build() {
  echo "== $1 build"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

windows_tests() {
  # The Wine prefix lives in the build folder and is made on its first use (about 10 s).
  # One persistent wineserver and one desktop serve every test program of the run.
  "${display[@]}" bash -c '
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
}

for stage in "${stages[@]}"; do
  build "$stage"
  echo "== $stage tests"
  case "$stage" in
    windows-mingw) windows_tests ;;
    threads | fuzz) ctest --preset "$stage" -j "$jobs" ;;
    *) "${display[@]}" ctest --preset "$stage" -j "$jobs" ;;
  esac
done

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
# Linux suite in the normal build). Window tests run under a virtual display. The
# windows-mingw and default stages also make their package (a .zip, a .deb) with cpack and
# run the benchmark from it.
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

# Makes the build's package with cpack and prints its file name.
make_package() {
  (cd "build/$1" && cpack) | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p'
}

# Fails, naming each, when the listing (one path a line) lacks one of the paths given.
expect_listed() {
  local listing=$1 missing=0 path
  shift
  for path in "$@"; do
    grep -qxF "$path" "$listing" || { echo "the package lacks $path" >&2; missing=1; }
  done
  return $missing
}

# Fails unless the benchmark's output holds its line.
expect_bench_line() {
  grep -q '^{"variant": "plain", "balls": 0, ' "$1" || { echo "render_bench printed no line:" >&2; cat "$1" >&2; return 1; }
}

# The Debian package: what it holds, and a render_bench from it, unpacked into a scratch
# root, that finds its pictures when started from another folder.
deb_package_test() {
  echo "== default package"
  local deb scratch expected=() file size
  deb=$(make_package default)
  scratch=$(mktemp -d)
  dpkg -c "$deb" | awk '{print $6}' >"$scratch/listing"
  for file in Icons/*; do expected+=("./usr/bin/$file"); done
  for file in app/linux/lumora-*.png; do
    size=${file##*-}
    size=${size%.png}
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/lumora-render-demo.png")
  done
  expect_listed "$scratch/listing" ./usr/bin/render_demo ./usr/bin/render_demo_crazy ./usr/bin/render_bench \
    ./usr/share/applications/render_demo.desktop ./usr/share/applications/render_demo_crazy.desktop "${expected[@]}"
  dpkg -x "$deb" "$scratch/root"
  grep -qxF 'Exec="/usr/bin/render_demo"' "$scratch/root/usr/share/applications/render_demo.desktop" ||
    { echo "the menu entry does not start /usr/bin/render_demo" >&2; return 1; }
  (cd "$scratch" && root/usr/bin/render_bench --balls 0 --frames 1 --warmup 0 >bench.txt 2>&1) || true
  expect_bench_line "$scratch/bench.txt"
  echo "$(basename "$deb"): $(wc -l <"$scratch/listing") entries, render_bench runs from the unpacked root"
  rm -rf "$scratch"
}

# MSVC knows no GCC builtins or attributes, and -pedantic-errors does not refuse them: the
# system's own code and its tests must not name them (platform/ is never built for Windows).
no_gcc_extensions() {
  if grep -rnE '__builtin_|__attribute__|\[\[gnu::|__typeof|\btypeof\b|__extension__' \
    app render backend_d2d toolkit tools tests; then
    echo "GCC extensions outside platform/ (above): MSVC would not build them" >&2
    return 1
  fi
}

windows_tests() {
  echo "== windows-mingw package"
  local zip scratch top expected=() file
  zip=$(make_package windows-mingw)
  scratch=$(mktemp -d)
  top=$(basename "$zip" .zip)
  unzip -Z1 "$zip" >"$scratch/listing"
  for file in Icons/*; do expected+=("$top/$file"); done
  expect_listed "$scratch/listing" "$top/render_demo.exe" "$top/render_demo_crazy.exe" "$top/render_bench.exe" \
    "$top/README.md" "$top/licences/gcc-runtime-libraries.txt" "$top/licences/GPL-3.txt" \
    "$top/licences/mingw-w64-runtime.txt" "${expected[@]}"
  unzip -q "$zip" -d "$scratch"
  # The Wine prefix lives in the build folder and is made on its first use (about 10 s).
  # One persistent wineserver and one desktop serve every test program of the run, and the
  # packaged benchmark, started from the folder above its own.
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
    (cd "$3" && wine "$4/render_bench.exe" --balls 0 --frames 1 --warmup 0 >bench.txt 2>&1)
    wineserver -k
    exit $status' bash "$PWD/build/windows-mingw/wineprefix" "$jobs" "$scratch" "$top"
  expect_bench_line "$scratch/bench.txt"
  echo "$(basename "$zip"): $(wc -l <"$scratch/listing") entries, render_bench.exe runs under Wine from the unpacked folder"
  rm -rf "$scratch"
}

for stage in "${stages[@]}"; do
  build "$stage"
  echo "== $stage tests"
  case "$stage" in
    windows-mingw)
      no_gcc_extensions
      windows_tests
      ;;
    threads | fuzz) ctest --preset "$stage" -j "$jobs" ;;
    default)
      "${display[@]}" ctest --preset "$stage" -j "$jobs"
      deb_package_test
      ;;
    *) "${display[@]}" ctest --preset "$stage" -j "$jobs" ;;
  esac
done

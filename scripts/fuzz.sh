#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz for as long as asked, one after another:
#
#   bash scripts/fuzz.sh [seconds per target, default 60] [kinds, default: ico dib png jpeg]
#
# Each target runs as one job at a time that is restarted after a fault, so a run lasts
# its whole time and counts every fault it meets. What a target learns stays in
# build/fuzz/fuzz_corpus/<kind> for the next run; the inputs that broke it go to
# build/fuzz/fuzz_crashes/<kind>/ and its log to build/fuzz/fuzz_<kind>.log. The last
# lines say how many inputs each target ran and how many faults it found. Extra libFuzzer
# options can be given in FUZZ_OPTIONS.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

seconds=${1:-60}
shift || true
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(ico dib png jpeg)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

build=$PWD/build/fuzz
summary=()
for kind in "${kinds[@]}"; do
  corpus=$build/fuzz_corpus/$kind
  crashes=$build/fuzz_crashes/$kind
  log=$build/fuzz_$kind.log
  mkdir -p "$corpus" "$crashes"
  echo "== fuzz_$kind for $seconds s"
  # shellcheck disable=SC2086
  (cd "$crashes" && "$build/tests/fuzz/fuzz_$kind" -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
    -max_total_time="$seconds" -artifact_prefix="$crashes/" ${FUZZ_OPTIONS:-} \
    "$corpus" "$build/fuzz_seeds/$kind") >"$log" 2>&1 || true
  # The last status line holds the total: "#<runs>: cov: ... oom/timeout/crash: a/b/c ...".
  status=$(grep -E '^#[0-9]+: cov:' "$log" | tail -n 1 || true)
  runs=$(sed -E 's/^#([0-9]+):.*/\1/' <<<"$status")
  faults=$(sed -nE 's#.*oom/timeout/crash: ([0-9]+)/([0-9]+)/([0-9]+).*#\1 out of memory, \2 timeouts, \3 crashes#p' <<<"$status")
  summary+=("fuzz_$kind: ${runs:-?} runs in $seconds s; ${faults:-no status line, see $log}")
done
printf '%s\n' "${summary[@]}"

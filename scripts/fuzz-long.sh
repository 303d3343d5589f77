#!/usr/bin/env bash
# Long fuzzing runs: builds the fuzz targets (clang, libFuzzer, ASan, UBSan)
# and runs each in turn for SECONDS (default 600) over a working copy of its
# seed corpus in the build directory; the source corpus is left unchanged.
# Saved failing inputs of tests/fuzz/regressions are replayed first.
# Usage: scripts/fuzz-long.sh [SECONDS] [TARGET ...]
#   BUILD_DIR  the build directory (default build/fuzz, the fuzz preset's)
#   JOBS       build jobs (default 2)
#   RUNS       run each target for this many executions instead of SECONDS
#              (RUNS=10000000 is the release bar)
#   FUZZ_ARGS  more libFuzzer options, e.g. "-max_len=512" (shorter inputs
#              run the targets that handle whole files much faster)
#   RUN_DIR    where the working corpora and files go (default
#              BUILD_DIR/tests/fuzz/runs); a tmpfs such as /dev/shm makes the
#              targets that write files several times faster
# Failing inputs are left in RUN_DIR/NAME/artifacts; copy one to
# tests/fuzz/regressions/NAME/ to keep it as a regression case.  The last
# lines of each run (executions, speed) are printed as "stat::" lines.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(command_file profile_parser resource_database token message_table log)

build=${BUILD_DIR:-$root/build/fuzz}
case "$build" in /*) ;; *) build=$root/$build ;; esac

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzz -B "$build" || exit 1
fi
cmake --build "$build" -j "${JOBS:-2}" --target zk_fuzz || exit 1

budget="${seconds}s"
[ -z "${RUNS:-}" ] || budget="$RUNS runs"

failed=()
for name in "${targets[@]}"; do
  fuzzer=$(find "$build" -type f -name "fuzz_$name" -perm -u+x | head -1)
  if [ -z "$fuzzer" ]; then
    echo "=== $name: no fuzz_$name in $build"
    failed+=("$name")
    continue
  fi
  echo "=== $name: $budget"
  if ! cmake -DFUZZER="$fuzzer" \
             -DSEEDS="$root/tests/fuzz/corpus/$name" \
             -DREGRESSIONS="$root/tests/fuzz/regressions/$name" \
             -DWORK="${RUN_DIR:-$(dirname "$fuzzer")/runs}/$name" \
             -DSECONDS="$seconds" \
             -DRUNS="${RUNS:-}" \
             -DEXTRA="${FUZZ_ARGS:-}" \
             -P "$root/tests/fuzz/run_fuzzer.cmake"; then
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "=== failed: ${failed[*]}"
  exit 1
fi
echo "=== all ${#targets[@]} targets ran $budget without a finding"

#!/usr/bin/env bash
# Installs what is missing, then builds every target and runs all its tests:
#   dev         Linux x86_64, Debug
#   asan        Linux x86_64 with AddressSanitizer and UndefinedBehaviorSanitizer
#   linux-i386  the deployable Linux library; tests run under qemu-i386-static;
#               its archive holds the two 64-bit libraries too
#   linux-amd64 the deployable library for 64-bit x86 engines; tests run natively
#   linux-arm64 the deployable library for 64-bit ARM engines (clang cross
#               build); tests run under qemu-aarch64-static
#   win32       the deployable Windows DLL; its export table and sections are checked
#   win32-wine  Windows i686; tests run with Wine in the 32-bit runner
#               (scripts/wine32-runner.sh, made on first use and whenever the
#               script or its pinned versions change; under CI=true made from
#               nothing on every run, so an old tree can hide nothing), and the
#               scenarios and the install test also run win32's DLL and archive
#   fuzz        a short bounded run of every fuzz target (clang, libFuzzer)
# Usage: scripts/test-all.sh [--fresh-runner] [PRESET ...]
#   --fresh-runner  make the 32-bit Windows runner again from nothing (the
#                   default under CI=true)
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh || exit 1

fresh_runner=""
[ "${CI:-}" != true ] || fresh_runner=--fresh
if [ "${1:-}" = --fresh-runner ]; then
  fresh_runner=--fresh
  shift
fi
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev asan linux-amd64 linux-arm64 linux-i386 win32 win32-wine fuzz)

# win32-wine runs the deployable DLL of win32 too: build that first.
case " ${presets[*]} " in
  *" win32-wine "*)
    case " ${presets[*]} " in *" win32 "*) ;; *) presets=(win32 "${presets[@]}") ;; esac ;;
esac

# linux-i386's archive holds the 64-bit libraries: build those first.
case " ${presets[*]} " in
  *" linux-i386 "*)
    ordered=()
    for preset in "${presets[@]}"; do
      case "$preset" in linux-i386|linux-amd64|linux-arm64) ;; *) ordered+=("$preset") ;; esac
    done
    presets=(linux-amd64 linux-arm64 linux-i386 "${ordered[@]}") ;;
esac

# One Wine prefix for this run, in the 32-bit runner, created before the
# tests start and removed at the end however the run ends.
export WINEDEBUG=-all
export ZK_WINE32_PREFIX="${ZK_WINE32_PREFIX:-/var/tmp/zk-wine32-run-$$}"
wine32_used=""
cleanup() {
  [ -z "$wine32_used" ] || scripts/wine32-runner.sh drop-prefix || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start=$(date +%s)
total_passed=0
total_failed=0
failed_presets=()
for preset in "${presets[@]}"; do
  echo "=== $preset"
  if [ "$preset" = win32-wine ]; then
    wine32_used=1
    # The runner's own message (above) says why; this line says which step.
    runner_step=""
    runner_start=$(date +%s)
    if ! scripts/wine32-runner.sh ensure $fresh_runner; then
      runner_step="making the 32-bit Windows runner (scripts/wine32-runner.sh ensure $fresh_runner)"
    elif [ -n "$fresh_runner" ]; then
      # Made from nothing, and it ran a 32-bit Windows program: that counts.
      echo "=== $preset: runner made from nothing and ran a 32-bit Windows program in $(( $(date +%s) - runner_start )) s"
      total_passed=$((total_passed + 1))
    fi
    if [ -z "$runner_step" ] && ! scripts/wine32-runner.sh prefix; then
      runner_step="creating the Wine prefix in the 32-bit Windows runner (scripts/wine32-runner.sh prefix)"
    fi
    if [ -n "$runner_step" ]; then
      echo "=== $preset: failed at $runner_step; its message above says why"
      failed_presets+=("$preset")
      total_failed=$((total_failed + 1))
      continue
    fi
  fi
  mkdir -p build
  log="build/$preset.log"
  build_start=$(date +%s)
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$log" 2>&1; then
    tail -50 "$log"
    echo "=== $preset: build failed"
    failed_presets+=("$preset")
    total_failed=$((total_failed + 1))
    continue
  fi
  preset_start=$(date +%s)
  build_time=$((preset_start - build_start))
  output=$(ctest --preset "$preset" 2>&1)
  status=$?
  echo "$output" | grep -E '^(The following|	|[0-9]+% tests|Total Test)' || true
  [ $status -eq 0 ] || echo "$output" | grep -vE '^ +Start |Test +#[0-9]+: .* (Passed|Skipped)' | tail -200
  summary=$(echo "$output" | grep -E '[0-9]+% tests passed' | tail -1)
  count=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
  failed=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests? failed.*/\1/')
  [ -n "$count" ] || count=0
  [ -n "$failed" ] || failed=0
  # Under an emulator (Wine, qemu) a test process now and then fails to
  # start on a loaded machine: the failed tests run once more, and the ones
  # that pass then are named here.
  if [ $status -ne 0 ] && [ "$failed" -gt 0 ] && { [ "$preset" = win32-wine ] || [ "$preset" = linux-i386 ] || [ "$preset" = linux-arm64 ]; }; then
    names=$(echo "$output" | sed -nE 's/^\t *[0-9]+ - (.*) \(Failed\)$/\1/p' | tr '\n' ' ')
    echo "=== $preset: running the failed tests again: $names"
    rerun=$(ctest --preset "$preset" --rerun-failed 2>&1)
    if [ $? -eq 0 ]; then
      echo "=== $preset: passed on the second run: $names"
      status=0
      failed=0
    else
      echo "$rerun" | grep -vE '^ +Start |Test +#[0-9]+: .* (Passed|Skipped)' | tail -200
    fi
  fi
  echo "=== $preset: built in $build_time s; $((count - failed)) of $count tests passed in $(( $(date +%s) - preset_start )) s"
  total_passed=$((total_passed + count - failed))
  total_failed=$((total_failed + failed))
  [ $status -eq 0 ] || failed_presets+=("$preset")
done
echo "=== took $(( $(date +%s) - start )) s"
[ ${#failed_presets[@]} -eq 0 ] || echo "failed presets: ${failed_presets[*]}"
echo "$total_passed passed, $total_failed failed"
[ ${#failed_presets[@]} -eq 0 ]

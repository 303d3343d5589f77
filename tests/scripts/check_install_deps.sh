#!/bin/sh
# The demo installs what building needs and nothing of the test tools
# (cross compilers, emulators, fuzzing, benchmarks); the full set has both.
set -eu
SCRIPT="$1"
status=0
fail() { echo "FAIL: $*"; status=1; }

demo=$(bash "$SCRIPT" --demo --list)
full=$(bash "$SCRIPT" --list)
for package in cmake ninja-build g++ googletest; do
  echo "$demo" | grep -qx "$package" || fail "the demo set lacks $package"
  echo "$full" | grep -qx "$package" || fail "the full set lacks $package"
done
for package in mingw-w64 debootstrap qemu-user-static clang libbenchmark-dev xvfb; do
  echo "$demo" | grep -qx "$package" && fail "the demo set installs $package"
  echo "$full" | grep -qx "$package" || fail "the full set lacks $package"
done
[ $status -eq 0 ] && echo "ok: demo set: $(echo $demo)"
exit $status

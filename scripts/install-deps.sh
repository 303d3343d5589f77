#!/usr/bin/env bash
# Installs, with apt-get, what building and testing every target needs, when
# something is missing: CMake and Ninja, the multilib compiler for the i386
# library, MinGW-w64 for the Windows DLLs, qemu-user-static to run i386
# programs, debootstrap to make the 32-bit Windows runner that runs the
# Windows programs (scripts/wine32-runner.sh; Wine lives in it), GoogleTest's
# sources and Google Benchmark.
set -euo pipefail

packages=(cmake ninja-build g++ g++-multilib binutils mingw-w64 qemu-user-static
          googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth
          debootstrap)

missing=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || missing+=(cmake)
have ninja || missing+=(ninja-build)
have g++ || missing+=(g++)
have objdump || missing+=(binutils)
probe=$(mktemp)
echo 'int main() { return 0; }' | g++ -m32 -x c++ - -o "$probe" 2>/dev/null || missing+=(g++-multilib)
rm -f "$probe"
have i686-w64-mingw32-g++ || missing+=(mingw-w64)
have i686-w64-mingw32-g++-posix || missing+=(mingw-w64)
have qemu-i386-static || missing+=(qemu-user-static)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
have clang++ || missing+=(clang)
have xvfb-run || missing+=(xvfb)
have debootstrap || missing+=(debootstrap)
ls /usr/lib/llvm-14/lib/clang/14*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || missing+=(libclang-rt-14-dev)

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}"

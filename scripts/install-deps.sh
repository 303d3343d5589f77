#!/usr/bin/env bash
# Installs with apt-get what is missing.
#
#   install-deps.sh          what building and testing every target needs:
#                            CMake and Ninja, GoogleTest's sources, the
#                            multilib compiler for the i386 library, MinGW-w64
#                            for the Windows DLLs, qemu-user-static to run i386
#                            and aarch64 programs, Debian's aarch64 C library,
#                            C++ runtime and binutils for the arm64 library
#                            (built with clang), debootstrap to make the 32-bit Windows
#                            runner that runs the Windows programs
#                            (scripts/wine32-runner.sh; Wine lives in it),
#                            clang and its fuzzer runtime, Google Benchmark,
#                            Xvfb, the locale sources and localedef (a
#                            scenario runs under a comma-decimal locale)
#   install-deps.sh --demo   only what scripts/demo.sh needs: CMake, Ninja,
#                            the compiler and GoogleTest's sources (the dev
#                            configuration builds the tests too)
set -euo pipefail

demo=0
for arg in "$@"; do
  case "$arg" in
    --demo) demo=1 ;;
    *) echo "usage: $0 [--demo]" >&2; exit 2 ;;
  esac
done

demo_packages=(cmake ninja-build g++ googletest)
test_packages=(g++-multilib binutils mingw-w64 qemu-user-static
               libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth debootstrap
               libc6-dev-arm64-cross libstdc++-12-dev-arm64-cross libgcc-12-dev-arm64-cross
               binutils-aarch64-linux-gnu prometheus prometheus-node-exporter curl python3 locales)
packages=("${demo_packages[@]}")
[ $demo -eq 1 ] || packages+=("${test_packages[@]}")


missing=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || missing+=(cmake)
have ninja || missing+=(ninja-build)
have g++ || missing+=(g++)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
if [ $demo -eq 0 ]; then
  have objdump || missing+=(binutils)
  probe=$(mktemp)
  echo 'int main() { return 0; }' | g++ -m32 -x c++ - -o "$probe" 2>/dev/null || missing+=(g++-multilib)
  rm -f "$probe"
  have i686-w64-mingw32-g++ || missing+=(mingw-w64)
  have i686-w64-mingw32-g++-posix || missing+=(mingw-w64)
  have qemu-i386-static || missing+=(qemu-user-static)
  have qemu-aarch64-static || missing+=(qemu-user-static)
  [ -f /usr/aarch64-linux-gnu/include/stdio.h ] || missing+=(libc6-dev-arm64-cross)
  [ -d /usr/aarch64-linux-gnu/include/c++/12 ] || missing+=(libstdc++-12-dev-arm64-cross)
  [ -f /usr/lib/gcc-cross/aarch64-linux-gnu/12/libgcc.a ] || missing+=(libgcc-12-dev-arm64-cross)
  have aarch64-linux-gnu-ld || missing+=(binutils-aarch64-linux-gnu)
  [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
  [ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
  have clang++ || missing+=(clang)
  have xvfb-run || missing+=(xvfb)
  have debootstrap || missing+=(debootstrap)
  have promtool || missing+=(prometheus)
  have prometheus-node-exporter || missing+=(prometheus-node-exporter)
  have curl || missing+=(curl)
  have python3 || missing+=(python3)
  { have localedef && [ -f /usr/share/i18n/locales/de_DE ]; } || missing+=(locales)
  ls /usr/lib/llvm-14/lib/clang/14*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || missing+=(libclang-rt-14-dev)
fi

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

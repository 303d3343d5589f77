# 64-bit ARM Linux (aarch64), cross-built with clang against Debian's aarch64
# C library and GCC runtime (libc6-dev-arm64-cross, libstdc++-12-dev-arm64-cross,
# libgcc-12-dev-arm64-cross, binutils-aarch64-linux-gnu).  Debian's own
# g++-aarch64-linux-gnu cannot be installed beside g++-multilib, which the
# i386 library needs; clang targets any architecture with one binary.
# Programs run under qemu-aarch64-static (see qemu-aarch64-run.sh).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/qemu-aarch64-run.sh)

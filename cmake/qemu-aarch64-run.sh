#!/bin/sh
# Runs an aarch64 program under qemu-aarch64-static, with the aarch64 C
# library and C++ runtime of Debian's cross packages as its loader's root.
QEMU_LD_PREFIX="${QEMU_LD_PREFIX:-/usr/aarch64-linux-gnu}"
export QEMU_LD_PREFIX
exec qemu-aarch64-static "$@"

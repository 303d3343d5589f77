#!/usr/bin/env bash
# Builds every shipped library and both release archives, from any tree:
#   build/release/zeq_kestrin-1.70-linux.tar.gz  the three Linux libraries
#                                                (i386, amd64, arm64)
#   build/release/zeq_kestrin-1.70-win32.zip     the Windows DLL
# Installs what building needs first (scripts/install-deps.sh). Each library
# is built in its own preset's tree (build/<preset>), the 64-bit ones before
# the Linux archive that holds them.
# Usage: scripts/release.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
mkdir -p build/release
for preset in linux-amd64 linux-arm64 linux-i386 win32; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
for preset in linux-i386 win32; do
  echo "=== $preset: archive"
  cmake --build --preset "$preset" --target package
done
cp build/linux-i386/zeq_kestrin-1.70-linux.tar.gz build/win32/zeq_kestrin-1.70-win32.zip build/release/
echo "=== release archives"
(cd build/release && sha256sum zeq_kestrin-1.70-linux.tar.gz zeq_kestrin-1.70-win32.zip)
echo "in $(pwd)/build/release"

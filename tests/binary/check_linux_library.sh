#!/bin/sh
# A deployable Linux library must load on the old server distributions of its
# architecture: no GLIBC symbol version above CEILING, no library but the C
# library's own (libc, libdl, libm; no libstdc++ or libgcc_s),
# libdl.so.2 named as a dependency (before glibc 2.34 dlopen and dlsym live
# there, not in libc), only the entry points and the entity forwarders
# exported (one for every class a game library exports), no text
# relocations, and the ELF class and machine of its engines.
#   check_linux_library.sh LIBRARY ENTITIES GAME_ENTITIES CEILING CLASS MACHINE
# e.g. ... 2.28 ELF32 "Intel 80386" (readelf's names).
set -eu
LIB="$1"
ENTITIES="$2"
GAME_ENTITIES="$3"
CEILING="$4"
CLASS="$5"
MACHINE="$6"
status=0
fail() { echo "FAIL: $*"; status=1; }

versions=$(objdump -T "$LIB" | grep -oE '\((GLIBC|GLIBCXX|CXXABI)_[0-9.]+\)' | tr -d '()' | sort -u)
for v in $versions; do
  case "$v" in
    GLIBCXX_*|CXXABI_*) fail "C++ runtime symbol version $v" ;;
    GLIBC_*)
      n=${v#GLIBC_}
      if [ "$(printf '%s\n%s\n' "$n" "$CEILING" | sort -V | tail -1)" != "$CEILING" ]; then fail "symbol version $v is newer than GLIBC_$CEILING"; fi ;;
  esac
done
if readelf -d "$LIB" | grep -q 'NEEDED.*libstdc++'; then fail "needs libstdc++"; fi
for needed in $(readelf -d "$LIB" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
  case "$needed" in
    libc.so.6|libdl.so.2|libm.so.6) ;;
    *) fail "needs $needed, which is not part of the C library" ;;
  esac
done
if ! readelf -d "$LIB" | grep -q 'NEEDED.*\[libdl\.so\.2\]'; then
  fail "does not name libdl.so.2: dlopen would resolve on glibc before 2.34 only where the host loaded libdl"
fi
if readelf -d "$LIB" | grep -q TEXTREL; then fail "has text relocations"; fi
class=$(readelf -h "$LIB" | sed -n 's/^ *Class: *//p')
machine=$(readelf -h "$LIB" | sed -n 's/^ *Machine: *//p')
[ "$class" = "$CLASS" ] || fail "is $class, not $CLASS"
[ "$machine" = "$MACHINE" ] || fail "is built for $machine, not $MACHINE"

exported=$(objdump -T "$LIB" | awk '$2 == "g" && $4 == ".text" { print $NF }' | sort)
expected=$( (printf '%s\n' GiveFnptrsToDll GetEntityAPI2 GetEntityAPI2_Post GetNewDLLFunctions \
  Server_GetBlendingInterface Meta_Init Meta_Query Meta_Attach Meta_Detach; sed -n 's/^ZK_ENTITY(\(.*\))$/\1/p' "$ENTITIES") | sort)
if [ "$exported" != "$expected" ]; then
  fail "exported functions differ from the entry points and entity forwarders"
  listed=$(mktemp)
  printf '%s\n' "$exported" > "$listed"
  printf '%s\n' "$expected" | diff - "$listed" | head -20
  rm -f "$listed"
fi
# Every class a game library exports has its forwarder, or a map using it
# loses the entity in standalone mode.
for name in $(sed -n 's/^HOSTSIM_\(REGAME_\)\{0,1\}ENTITY(\(.*\))$/\2/p' "$GAME_ENTITIES"); do
  echo "$exported" | grep -qx "$name" || fail "no forwarder for the game library's entity class $name"
done
[ $status -eq 0 ] && echo "ok: $class $machine, $(echo "$expected" | wc -l) exports, symbol versions: $(echo $versions)"
exit $status

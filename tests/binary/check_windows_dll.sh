#!/bin/sh
# The Windows DLL must export the nine entry points (and the entity
# forwarders) under their plain names and import only system DLLs.
set -eu
DLL="$1"
ENTITIES="$2"
status=0
fail() { echo "FAIL: $*"; status=1; }
dump=$(objdump -p "$DLL")

for name in GiveFnptrsToDll GetEntityAPI2 GetEntityAPI2_Post GetNewDLLFunctions Server_GetBlendingInterface \
            Meta_Init Meta_Query Meta_Attach Meta_Detach $(sed -n 's/^ZK_ENTITY(\(.*\))$/\1/p' "$ENTITIES"); do
  echo "$dump" | grep -qE "^[[:space:]]*\[[[:space:]]*[0-9]+\] $name\$" || fail "export $name missing"
done
echo "$dump" | grep -qE '\] [A-Za-z_]+@[0-9]+$' && fail "decorated export names"
for dll in $(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
  case "$(echo "$dll" | tr 'A-Z' 'a-z')" in
    kernel32.dll|user32.dll|gdi32.dll|winmm.dll|msvcrt.dll|advapi32.dll) ;;
    *) fail "imports $dll" ;;
  esac
done
[ $status -eq 0 ] && echo "ok: exports plain, imports: $(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"
exit $status

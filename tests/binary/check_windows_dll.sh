#!/bin/sh
# The Windows DLL must export the nine entry points (and the entity
# forwarders, one for every class a game library exports) under their plain
# names and import only system DLLs. The 32-bit DLL must also have the classic section layout the engine expects of
# a game library: code and read-only data in .text, then .data, .bss and the
# loader's tables; no .rdata or .eh_frame of their own, no debugging sections.
set -eu
DLL="$1"
ENTITIES="$2"
GAME_ENTITIES="$3"
status=0
fail() { echo "FAIL: $*"; status=1; }
dump=$(objdump -p "$DLL")

for name in GiveFnptrsToDll GetEntityAPI2 GetEntityAPI2_Post GetNewDLLFunctions Server_GetBlendingInterface \
            Meta_Init Meta_Query Meta_Attach Meta_Detach $(sed -n 's/^ZK_ENTITY(\(.*\))$/\1/p' "$ENTITIES") \
            $(sed -n 's/^HOSTSIM_\(REGAME_\)\{0,1\}ENTITY(\(.*\))$/\2/p' "$GAME_ENTITIES"); do
  echo "$dump" | grep -qE "^[[:space:]]*\[[[:space:]]*[0-9]+\] $name\$" || fail "export $name missing"
done
echo "$dump" | grep -qE '\] [A-Za-z_]+@[0-9]+$' && fail "decorated export names"
for dll in $(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
  case "$(echo "$dll" | tr 'A-Z' 'a-z')" in
    kernel32.dll|user32.dll|gdi32.dll|winmm.dll|msvcrt.dll|advapi32.dll) ;;
    *) fail "imports $dll" ;;
  esac
done
if objdump -f "$DLL" | grep -q 'file format pei-i386'; then
  sections=$(objdump -h "$DLL" | awk '$1 ~ /^[0-9]+$/ { print $2 }' | tr '\n' ' ')
  for name in .text .data .bss .edata .idata .reloc; do
    case " $sections" in *" $name "*) ;; *) fail "section $name missing (sections: $sections)" ;; esac
  done
  for name in $sections; do
    case "$name" in
      .rdata*|.eh_frame*|.rodata*) fail "read-only data in a section of its own: $name (sections: $sections)" ;;
      .debug*|.zdebug*|.stab*) fail "debugging section $name in the DLL" ;;
    esac
  done
  [ "$(echo "$sections" | cut -d' ' -f1)" = .text ] || fail "the first section is not .text (sections: $sections)"
fi
[ $status -eq 0 ] && echo "ok: exports plain, imports: $(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"
exit $status

#!/bin/sh
# No loop of calls between the files of a static library: file A uses file B
# when A's object leaves a symbol undefined that B's object defines (a call,
# or the address of a function or variable it hands on); these uses may form
# no loop (A uses B and B uses A, or longer).  What every object that needs
# it defines for itself (inline functions, templates) is no use of another.
#   check_library_call_loops.sh NM LIBRARY
set -eu
NM="$1"
LIBRARY="$2"
symbols=$("$NM" -A "$LIBRARY")
uses=$(printf '%s\n' "$symbols" | awk '
  {
    where = $1
    sub(/:[0-9a-fA-F]*$/, "", where)   # "library:member:address" or "library:member:"
    file = where
    sub(/^.*:/, "", file)
    type = $(NF - 1); name = $NF
    if (type == "U") { used[file SUBSEP name] = 1; next }
    if (type ~ /^[TDBRCGSAIiu]$/) strong[name] = file
    else if (type ~ /^[WVwv]$/) weak[name] = weak[name] " " file
  }
  END {
    for (key in used) {
      split(key, part, SUBSEP); file = part[1]; name = part[2]
      if (name in strong) { if (strong[name] != file) print file, strong[name]; continue }
      if (!(name in weak)) continue
      n = split(weak[name], owners, " ")
      for (i = 1; i <= n; ++i) if (owners[i] != file) print file, owners[i]
    }
  }' | sort -u)
if [ -z "$uses" ]; then
  echo "FAIL: no file of $LIBRARY uses another; is it the library?"
  exit 1
fi
if ! loops=$(printf '%s\n' "$uses" | tsort 2>&1 >/dev/null) || [ -n "$loops" ]; then
  echo "FAIL: files of $(basename "$LIBRARY") call each other in a loop (each block below is one):"
  printf '%s\n' "$loops" | sed -e 's/^tsort: //' -e 's/^-: input contains a loop:$/loop:/' -e 's/^/  /'
  exit 1
fi
echo "calls: $(printf '%s\n' "$uses" | wc -l) uses between files, no loop"

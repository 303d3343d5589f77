#!/bin/sh
# The source layers, from the bottom up; a file may include headers of its
# own directory and of the layers below it, never of its own layer's
# neighbours or of a layer above.
#   sdk < platform < engine < log < config < diagnostics < control, resources, window < commands < plugin
# A second argument gives another tree's layers instead, as "NAME=RANK ...";
# there every directory must have a rank, and every source file must lie in
# one of them (tools/hostsim's rooms).  No include climbs out with "../".
set -eu
SRC="$1"
TABLE="${2:-}"
TREE=$(basename "$SRC")
rank() {
  if [ -n "$TABLE" ]; then
    for entry in $TABLE; do
      [ "${entry%%=*}" != "$1" ] || { echo "${entry#*=}"; return; }
    done
    echo -1
    return
  fi
  case "$1" in
    sdk) echo 0 ;; platform) echo 1 ;; engine) echo 2 ;; log) echo 3 ;; config) echo 4 ;; diagnostics) echo 5 ;;
    control|resources|window) echo 6 ;; commands) echo 7 ;; plugin) echo 8 ;; *) echo -1 ;;
  esac
}
status=0
if grep -rnE '^#include "\.\./' "$SRC"; then
  echo "FAIL: $TREE has includes that climb out of their directory (above)"
  status=1
fi
if [ -n "$TABLE" ]; then
  for file in "$SRC"/*.h "$SRC"/*.cpp "$SRC"/*.inc; do
    [ ! -e "$file" ] || { echo "FAIL: $TREE/$(basename "$file") lies in no layer"; status=1; }
  done
fi
for dir in "$SRC"/*/; do
  layer=$(basename "$dir")
  mine=$(rank "$layer")
  if [ "$mine" -lt 0 ]; then
    [ -z "$TABLE" ] || { echo "FAIL: $TREE/$layer has no rank"; status=1; }
    continue
  fi
  for used in $(grep -rhoE '^#include "[a-z_]+/' "$dir" | sed -E 's/#include "([a-z_]+)\//\1/' | sort -u); do
    [ "$used" != "$layer" ] || continue
    theirs=$(rank "$used")
    [ "$theirs" -ge 0 ] || continue
    if [ "$theirs" -ge "$mine" ]; then
      echo "FAIL: $TREE/$layer includes $TREE/$used:"
      grep -rnE "^#include \"$used/" "$dir" | sed 's/^/  /'
      status=1
    fi
  done
done
[ $status -ne 0 ] || echo "layers: every include goes downward"
exit $status

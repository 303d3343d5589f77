#!/bin/sh
# The source layers, from the bottom up; a file may include headers of its
# own directory and of the layers below it, never of its own layer's
# neighbours or of a layer above.
#   sdk < platform < engine < log < config < diagnostics < control, resources, window < commands < plugin
set -eu
SRC="$1"
rank() {
  case "$1" in
    sdk) echo 0 ;; platform) echo 1 ;; engine) echo 2 ;; log) echo 3 ;; config) echo 4 ;; diagnostics) echo 5 ;;
    control|resources|window) echo 6 ;; commands) echo 7 ;; plugin) echo 8 ;; *) echo -1 ;;
  esac
}
status=0
for dir in "$SRC"/*/; do
  layer=$(basename "$dir")
  mine=$(rank "$layer")
  [ "$mine" -ge 0 ] || continue
  for used in $(grep -rhoE '^#include "[a-z_]+/' "$dir" | sed -E 's/#include "([a-z_]+)\//\1/' | sort -u); do
    [ "$used" != "$layer" ] || continue
    theirs=$(rank "$used")
    [ "$theirs" -ge 0 ] || continue
    if [ "$theirs" -ge "$mine" ]; then
      echo "FAIL: src/$layer includes src/$used:"
      grep -rnE "^#include \"$used/" "$dir" | sed 's/^/  /'
      status=1
    fi
  done
done
[ $status -ne 0 ] || echo "layers: every include goes downward"
exit $status

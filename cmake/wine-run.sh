#!/bin/sh
# Runs a Windows test program under wine64 with a prefix of its own, created
# once per build tree (the first start takes about ten seconds).
: "${WINEPREFIX:=${TMPDIR:-/tmp}/zk-wine-prefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=wine64
exec "$WINE" "$@"

#!/bin/sh
# Runs the window probe under wine in a virtual X display of its own.
#   run_probe.sh EMULATOR PROBE WORK_DIRECTORY (its Wine prefix goes there)
emulator=$1 probe=$2 output=$3
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "SKIPPED: xvfb-run not found (apt-get install xvfb); the window needs a display"
    exit 77
fi
mkdir -p "$output" || exit 1
# A Wine prefix of its own: a wineserver shared with tests that ran without a
# display would hand this program a desktop that cannot show windows.
# (ZK_WINE32_PREFIX: the same for the 32-bit runner, which binds the build
# tree into its own file system at the same path.)
WINEPREFIX="$output/wine-prefix"
ZK_WINE32_PREFIX="$WINEPREFIX"
export WINEPREFIX ZK_WINE32_PREFIX
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$emulator" "$probe"

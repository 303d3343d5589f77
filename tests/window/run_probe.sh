#!/bin/sh
# Runs the window probe under wine in a virtual X display of its own.
#   run_probe.sh EMULATOR PROBE OUTPUT_DIRECTORY
emulator=$1 probe=$2 output=$3
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "SKIPPED: xvfb-run not found (apt-get install xvfb); the window needs a display"
    exit 77
fi
mkdir -p "$output" || exit 1
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$emulator" "$probe" "$output"

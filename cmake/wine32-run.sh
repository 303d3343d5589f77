#!/bin/sh
# Runs a 32-bit Windows test program with Wine in the 32-bit runner
# (scripts/wine32-runner.sh), in this working directory and environment.
here=$(cd "$(dirname "$0")/.." && pwd) || exit 1
exec "$here/scripts/wine32-runner.sh" run "$@"

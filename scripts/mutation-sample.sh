#!/usr/bin/env bash
# Mutation sampling of src/ against the dev tests: scripts/mutation-sample.sh N SEED
# [--list FILE | --replay FILE | --in PATH...] [--out FILE]. See scripts/mutation_sample.py.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v python3 >/dev/null || { echo "mutation-sample: needs python3 (apt-get install python3)" >&2; exit 2; }
exec python3 scripts/mutation_sample.py "$@"

#!/usr/bin/env bash
# The size of the tests against the code: non-blank lines of C and C++ under
# tests/ against those under src/ and tools/.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.inc' \) -print0 | xargs -0 cat | grep -cv '^[[:space:]]*$'; }
tests=$(count tests)
code=$(count src tools)
echo "tests: $tests lines, code: $code lines, ratio $(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.1f", 100 * t / c }') %"

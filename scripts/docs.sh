#!/usr/bin/env bash
# The reference: Doxygen HTML of include/VonkelSdk.h, include/vonkel/vonkel.hpp and the
# pages of docs/, into OUT (default build/reference). Any warning fails it: first the C
# header alone, where every export must document each argument and its result, then the
# whole reference, where everything public must be documented.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(mkdir -p "${1:-build/reference}" && cd "${1:-build/reference}" && pwd)
command -v doxygen >/dev/null || { echo "docs.sh: doxygen is missing (scripts/setup.sh installs it)" >&2; exit 1; }

# run NAME [extra Doxyfile lines...]: doxygen over docs/Doxyfile with the lines added.
run() {
    local name=$1 log=$out/$1-warnings.txt; shift
    if ! { cat docs/Doxyfile; printf '%s\n' "$@"; } | doxygen - >"$log" 2>&1 || [[ -s $log ]]; then
        cat "$log" >&2
        echo "docs.sh: the $name run has warnings (above)" >&2
        exit 1
    fi
}
run exports "INPUT = include/VonkelSdk.h" "WARN_NO_PARAMDOC = YES" "OUTPUT_DIRECTORY = $out/exports" \
    "USE_MDFILE_AS_MAINPAGE ="
run reference "OUTPUT_DIRECTORY = $out"
rm -rf "$out/exports"
echo "reference: $out/html/index.html"

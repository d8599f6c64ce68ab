#!/usr/bin/env bash
# The libFuzzer targets (clang, ASan + UBSan) over their corpora in tests/fuzz/corpus,
# each with the dictionary of its format's tokens from tests/fuzz/dict:
#   scripts/fuzz.sh [SECONDS per target, default 10] [TARGET...]
# TARGET is mask_file, config_file, registry, wide_names, sim_commands (the parsers, driven
# directly) or camera_startup (stored settings through a whole camera); default: all.
# New inputs stay in a scratch folder; a failing input lands in build/fuzz/ and the run
# stops with its report. Prints the executions and the edges covered of each target.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(mask_file config_file registry wide_names sim_commands camera_startup)
cmake --preset fuzz >/dev/null
nice -n 10 cmake --build --preset fuzz -j2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in "${targets[@]}"; do
    mkdir -p "$work/$t"
    if ! out=$(build/fuzz/bin/fuzz_$t "$work/$t" "tests/fuzz/corpus/$t" -dict="tests/fuzz/dict/$t.dict" \
                 -max_total_time="$seconds" \
                 -print_final_stats=1 -timeout=30 -rss_limit_mb=4096 -artifact_prefix="build/fuzz/$t-" 2>&1); then
        tail -n 80 <<<"$out"
        echo "fuzz_$t: FAILED (input in build/fuzz/$t-*)" >&2
        exit 1
    fi
    execs=$(grep -o 'number_of_executed_units: *[0-9]*' <<<"$out" | grep -o '[0-9]*$' || echo '?')
    edges=$(grep -o 'cov: [0-9]*' <<<"$out" | tail -n 1 | grep -o '[0-9]*$' || echo '?')
    echo "fuzz_$t: $execs executions in $seconds s, $edges edges covered, no failure"
done

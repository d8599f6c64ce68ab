#!/usr/bin/env bash
# The API torture, long: natively under ASan+UBSan and TSan, then through the DLL under
# Wine with an application window.
#   scripts/torture.sh [CALLS per thread, default 20000] [THREADS, default 4] [SEED]
# Each run prints every export's latency (p50, p99, longest) and the calls over a second,
# and fails when a call took longer than the bound. Each run prints its seed; `--seed N` with the same counts replays a run's call sequences.
# Expects the builds of native-asan, native-tsan and win64 (scripts/test.sh makes them).
set -euo pipefail
cd "$(dirname "$0")/.."
calls=${1:-20000}
threads=${2:-4}
seed=${3:+--seed $3}
args=(--threads "$threads" --calls "$calls" --cameras 2 --limit 120 --bound 11 --latency $seed)
for preset in native-asan native-tsan; do
    echo "== $preset" >&2
    VONKEL_SIMULATE=2 "build/$preset/bin/vonkel_torture" "${args[@]}"
done
echo "== win64 under Wine, with an application window" >&2
VONKEL_SIMULATE=2 cmake/wine-run.sh build/win64/bin/vonkel_torture.exe "${args[@]}" --parent

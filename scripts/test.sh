#!/usr/bin/env bash
# Every test: native under AddressSanitizer + UndefinedBehaviorSanitizer and under
# ThreadSanitizer, a short run of each fuzz target, then the Windows build under Wine.
# Sets the machine up first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in native-asan native-tsan win64; do
    echo "== $preset" >&2
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    if [[ $preset == native-asan ]]; then
        # Once more on the baseline copy of the vector routines, as without AVX2.
        echo "== native-asan without AVX2" >&2
        VONKEL_NO_AVX2=1 ctest --preset "$preset"
        echo "== fuzz targets, 10 s each" >&2
        scripts/fuzz.sh 10
    fi
done
echo "== all tests passed" >&2

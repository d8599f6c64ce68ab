#!/usr/bin/env bash
# Every test: native under AddressSanitizer + UndefinedBehaviorSanitizer and under
# ThreadSanitizer, a short run of each fuzz target, then the Windows build under Wine.
# Sets the machine up first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
stage() { echo "== $1 (at $((SECONDS / 60)) min $((SECONDS % 60)) s)" >&2; }
for preset in native-asan native-tsan win64; do
    stage "$preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    if [[ $preset == native-asan ]]; then
        # Once more on the baseline copy of the vector routines, as without AVX2: the
        # tests of the image routines, the processing chain and the files made of them.
        stage "native-asan without AVX2"
        for area in image processing output; do
            VONKEL_NO_AVX2=1 "build/$preset/bin/unit_$area" --gtest_brief=1
        done
        stage "fuzz targets, 10 s each"
        scripts/fuzz.sh 10
    fi
done
stage "all tests passed"

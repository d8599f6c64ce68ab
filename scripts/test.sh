#!/usr/bin/env bash
# Every test: native under AddressSanitizer + UndefinedBehaviorSanitizer and under
# ThreadSanitizer, then the Windows build under Wine. Sets the machine up first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in native-asan native-tsan win64; do
    echo "== $preset" >&2
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
echo "== all tests passed" >&2

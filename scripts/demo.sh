#!/usr/bin/env bash
# Builds the DLL and vonkelcam for Windows and runs the tool under Wine against
# simulated cameras. Extra arguments replace the default command list.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target vonkelcam >/dev/null
run() { echo "\$ vonkelcam $*" >&2; VONKEL_SIMULATE=${VONKEL_SIMULATE:-2} cmake/wine-run.sh build/win64/bin/vonkelcam.exe "$@"; }
if (($#)); then
    run "$@"
else
    run version
fi
cmake/wine-run.sh --teardown

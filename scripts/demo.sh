#!/usr/bin/env bash
# Builds the DLL and vonkelcam for Windows and runs the tool under Wine against simulated
# cameras (VONKEL_SIMULATE, default 2). Arguments, when given, are one vonkelcam command
# to run instead of the tour below.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target vonkelcam
export VONKEL_SIMULATE=${VONKEL_SIMULATE:-2}
run() {
    echo "\$ vonkelcam $*" >&2
    # the progress lines of a stream or a recording, overwritten in a terminal, would pile up here
    cmake/wine-run.sh build/win64/bin/vonkelcam.exe "$@" | tr '\r' '\n' | awk 'NF' |
        grep -v -E '^frames +[0-9]+ +[0-9.]+ fps +[0-9.]+ s|^ *[0-9.]+ s +frames +[0-9]+ ' || true
    echo >&2
}
if (($#)); then
    run "$@"
else
    run version
    run list
    run info --device 1
    run regs write sensor 1812 64
    run serial
    run stream --seconds 3
    run stream --seconds 2 --mode 24 --subsample
    run snap --raw 'C:\snapshot.raw' --mode 48
    run record 'C:\recording.avi' --seconds 2 --mode 24
    run preview --seconds 2 --mode 24
fi
cmake/wine-run.sh --teardown

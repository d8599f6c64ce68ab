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
# A property dialog on the virtual screen, photographed into docs/ while it is open (it
# closes by itself): shoot NAME LANG DIALOG [options].
shoot() {
    local name=$1 lang=$2 out pid geo display; shift 2
    echo "\$ LANG=$lang vonkelcam dialog $* --close-after 2000    -> docs/$name.png" >&2
    out=$(mktemp)
    LANG=$lang cmake/wine-run.sh build/win64/bin/vonkelcam.exe dialog "$@" --close-after 2000 >"$out" 2>&1 &
    pid=$!
    for _ in $(seq 150); do grep -q '^dialog at' "$out" && break; sleep 0.2; done
    sleep 0.5   # drawn
    geo=$(sed -n 's/^dialog at \([0-9-]*\),\([0-9-]*\) size \([0-9]*\)x\([0-9]*\).*/\3x\4+\1+\2/p' "$out")
    display=$(cd build/win64 && ../../cmake/wine-run.sh --env | sed -n 's/.* DISPLAY=\([^ ]*\) .*/\1/p')
    if [[ -n $geo && -n $display ]]; then
        DISPLAY=$display import -window root -crop "$geo" +repage "docs/$name.png"
    else
        echo "no dialog to photograph" >&2
    fi
    wait "$pid" || true
    tr -d '\r' <"$out"; rm -f "$out"; echo >&2
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
    # one picture in each still format; the files land in the Wine prefix's drive C:
    run snap 'C:\snapshot.bmp' --format bmp --mode 8
    run snap 'C:\snapshot-16.raw' --format raw --mode 16
    run snap 'C:\snapshot.jpg' --format jpeg --mode 24
    run snap 'C:\snapshot-q70.jpg' --format jpeg70 --mode 32
    run snap 'C:\snapshot-q20.jpg' --format jpeg20 --mode 48
    run snap 'C:\snapshot.png' --format png --mode 64
    run snap 'C:\snapshot.tif' --format tiff --mode 48
    run record 'C:\recording.avi' --seconds 2 --mode 24
    run preview --seconds 2 --mode 24
    for lang in en ja; do
        locale=C.UTF-8; [[ $lang == ja ]] && locale=ja_JP.UTF-8   # Wine takes its system language from LANG
        shoot dialog-analog-$lang $locale analog
        shoot dialog-image-$lang $locale image
        shoot dialog-gray-$lang $locale image --tab 1
        shoot dialog-stream-$lang $locale stream
    done
fi
# from the build folder, whose Wine state the tour used
(cd build/win64 && ../../cmake/wine-run.sh --teardown)

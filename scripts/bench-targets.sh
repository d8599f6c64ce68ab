#!/usr/bin/env bash
# The targets table of bench/README.md with one command (run by scripts/bench.sh --targets,
# which installs the packages first): the system benchmark's delivery runs, the image
# layer's demosaic and chain against OpenCV, the same delivery through the DLL under Wine
# when the win64 build is there (vonkelcam stream), then the table (build/bench/targets.md)
# and the plot of delivery share and CPU per frame against frame rate
# (build/bench/delivery.png). Everything runs at nice 10: the machine is shared.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/bench
mkdir -p "$out"

cmake --preset native >/dev/null
nice -n 10 cmake --build --preset native --target vonkel_system_bench vonkel_bench -j2

# The delivery runs use every processor (transfer, capture threads, the camera's own):
# not pinned. 2000 frames a run at full rate, so that one lost frame shows.
nice -n 10 build/native/bin/vonkel_system_bench \
    --benchmark_filter='BM_Delivery|BM_FourCameras|BM_ProcessFrame/bits:(8|24|48)/all_filters:1' \
    --benchmark_out="$out/system.json" --benchmark_out_format=json

# The image layer as the default run does it: one processor, medians of interleaved repetitions.
pin=()
command -v taskset >/dev/null && pin=(taskset -c "${VONKEL_BENCH_CPU:-0}")
nice -n 10 "${pin[@]}" build/native/bin/vonkel_bench --benchmark_filter='Demosaic|BayerTo|Chain_mode' \
    --benchmark_repetitions="${VONKEL_BENCH_REPETITIONS:-5}" --benchmark_min_time=0.1 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/image.json" --benchmark_out_format=json >/dev/null

# Through the DLL under Wine: vonkelcam stream at the camera's full rate (2 ms exposure),
# every filter on in modes 0, 2 and 4, and once without filters in mode 0, where the
# simulated camera's frame numbers stay readable and show the frames missed.
wine=()
if [[ -x build/win64/bin/vonkelcam.exe ]]; then
    for run in 8:all 24:all 48:all 8:none; do
        bits=${run%:*} filters=${run#*:}
        extra=()
        [[ $filters == all ]] && extra=(--all-filters)
        VONKEL_SIMULATE=1 nice -n 10 cmake/wine-run.sh build/win64/bin/vonkelcam.exe stream --mode "$bits" \
            --exposure 2 --seconds "${VONKEL_BENCH_WINE_SECONDS:-20}" "${extra[@]}" \
            >"$out/wine-$bits-$filters.txt" 2>&1 || true
        wine+=("$out/wine-$bits-$filters.txt")
    done
    # The runs leave their wineserver, Wine's device host and Xvfb behind: stop them, so
    # that they take nothing from the next benchmark.
    (cd build/win64 && ../../cmake/wine-run.sh --teardown) || true
else
    echo "bench: no build/win64/bin/vonkelcam.exe, the Wine rows are left out" >&2
fi

python3 scripts/bench_targets.py --system "$out/system.json" --image "$out/image.json" \
    ${wine[@]+--wine "${wine[@]}"} | tee "$out/targets.md"
/usr/bin/python3 scripts/plot_delivery.py "$out/system.json" "$out/delivery.png"

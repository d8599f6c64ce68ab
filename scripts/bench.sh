#!/usr/bin/env bash
# Benchmarks of the conversion routines at the camera's full frame, with OpenCV doing the
# same work as the baseline, on one core. Run as root on Debian 12: installs what the
# benchmarks need (Google Benchmark, OpenCV), builds the `native` preset and runs
# bench/ (see bench/README.md). Extra arguments go to the benchmark program, e.g.
#   scripts/bench.sh --benchmark_filter='Demosaic|Bayer'
#   scripts/bench.sh --baseline        # our routines in their SSE2 copy only
#   scripts/bench.sh --still           # saving still images (vonkel_still_bench) instead
#   scripts/bench.sh --targets         # the targets table of bench/README.md and the delivery
#                                      # plot, into build/bench/ (targets.md, delivery.png)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ pkg-config googletest libbenchmark-dev libopencv-dev python3-matplotlib)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "bench: installing ${missing[*]}" >&2
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ ${1:-} == --targets ]]; then
    shift
    exec scripts/bench-targets.sh "$@"
fi

program=vonkel_bench
if [[ ${1:-} == --still ]]; then
    program=vonkel_still_bench
    shift
fi
cmake --preset native >/dev/null
cmake --build --preset native --target "$program" -j2

# One core: OpenCV is told to use one thread, and the process stays on one processor.
pin=()
if command -v taskset >/dev/null; then
    pin=(taskset -c "${VONKEL_BENCH_CPU:-0}")
fi
if [[ $program == vonkel_still_bench ]]; then
    # Each benchmark times its own rounds of the three writers and reports medians.
    exec "${pin[@]}" build/native/bin/vonkel_still_bench "$@"
fi
# Repetitions of all benchmarks interleaved in random order, so that a busy spell of the
# machine lands on ours and OpenCV's alike rather than on one block of benchmarks.
exec "${pin[@]}" build/native/bin/vonkel_bench --benchmark_repetitions="${VONKEL_BENCH_REPETITIONS:-5}" \
    --benchmark_min_time=0.1 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true "$@"

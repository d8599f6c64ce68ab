#!/usr/bin/env python3
"""Plots delivery share and CPU time per frame against the camera's frame rate, one line
per colour mode, from the JSON output of vonkel_system_bench (its paced BM_DeliveryRate
runs, and BM_Delivery's full-rate runs when present). Needs matplotlib (Debian:
python3-matplotlib; scripts/bench.sh installs it).

    plot_delivery.py system.json delivery.png
"""
import json
import re
import sys

import matplotlib

matplotlib.use("Agg")  # no display: a file only
import matplotlib.pyplot as plt  # noqa: E402

MODES = {8: "mode 0, 8-bit grey", 24: "mode 2, 24-bit colour", 48: "mode 4, 48-bit colour"}


def points(path):
    """{bits: [(camera fps, share %, CPU ms per frame), ...]} sorted by frame rate."""
    with open(path, encoding="utf-8") as f:
        runs = json.load(f)["benchmarks"]
    by_mode = {}
    for run in runs:
        m = re.match(r"BM_Delivery(Rate)?/bits:(\d+)/exposure_us:(\d+)/", run["name"])
        # Unpaced runs (exposure 0) have no frame rate of the camera to plot against.
        if not m or m.group(3) == "0" or run.get("run_type") == "aggregate" or "camera_fps" not in run:
            continue
        by_mode.setdefault(int(m.group(2)), []).append(
            (run["camera_fps"], 100.0 * run["delivered_share"], run["cpu_ms_per_frame"]))
    return {bits: sorted(p) for bits, p in by_mode.items()}


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    data = points(sys.argv[1])
    if not data:
        sys.exit(f"{sys.argv[1]}: no BM_Delivery runs")
    fig, (share, cpu) = plt.subplots(2, 1, sharex=True, figsize=(7, 7))
    for bits, p in sorted(data.items()):
        fps = [x[0] for x in p]
        label = MODES.get(bits, f"{bits} bits")
        share.plot(fps, [x[1] for x in p], marker="o", label=label)
        cpu.plot(fps, [x[2] for x in p], marker="o", label=label)
    share.axhline(99.9, color="grey", linestyle="--", linewidth=1, label="target 99.9 %")
    share.set_ylabel("frames delivered, % of the camera's")
    share.set_title("Callback preview, every filter on (simulated camera)")
    share.legend(loc="lower left")
    share.grid(True, alpha=0.3)
    cpu.set_ylabel("process CPU time per delivered frame, ms")
    cpu.set_xlabel("camera frames per second (exposure from 32 ms down to 2 ms)")
    cpu.grid(True, alpha=0.3)
    fig.tight_layout()
    fig.savefig(sys.argv[2], dpi=100)
    print(f"plot: {sys.argv[2]}")


if __name__ == "__main__":
    main()

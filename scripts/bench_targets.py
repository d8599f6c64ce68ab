#!/usr/bin/env python3
"""The targets table of bench/README.md from the benchmarks' JSON output (written by
scripts/bench.sh --targets): each target with today's figure, the baseline it is measured
against in the same run, and whether it is met.

    bench_targets.py --system system.json [--image image.json] [--wine wine-8-all.txt ...]

system.json: vonkel_system_bench (BM_Delivery, BM_FourCameras, BM_ProcessFrame);
image.json: vonkel_bench (demosaic and chain against OpenCV, repetitions aggregated);
wine-BITS-all.txt / wine-BITS-none.txt: the output of vonkelcam stream under Wine in colour
mode BITS with every filter on / none, as bench.sh writes it.
"""
import argparse
import json
import re

MODES = {8: 0, 24: 2, 48: 4}


def load(path):
    if not path:
        return {}
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    return data["benchmarks"] if isinstance(data, dict) and "benchmarks" in data else data


def find(runs, pattern):
    """The first run whose name matches the pattern (aggregates: the median)."""
    for run in runs:
        if re.fullmatch(pattern, run["name"]):
            return run
    return None


def pct(x):
    return f"{100.0 * x:.2f} %"


def delivery_rows(system):
    rows = []
    for bits, mode in MODES.items():
        r = find(system, rf"BM_Delivery/bits:{bits}/exposure_us:2000/frames:\d+.*")
        if not r:
            continue
        lost = round(r["camera_frames"] * (1 - r["delivered_share"]))
        rows.append((f"delivery, mode {mode}, every filter on, full rate: >= 99.9 %",
                     f"{pct(r['delivered_share'])} ({lost} of {r['camera_frames']:.0f} lost; library dropped "
                     f"{r['library_dropped']:.0f})",
                     f"camera {r['camera_fps']:.1f} fps", r["delivered_share"] >= 0.999))
        rows.append((f"latency ring -> notification, mode {mode}: 99th percentile < frame period",
                     f"median {r['latency_median_ms']:.2f} ms, 99th {r['latency_p99_ms']:.2f} ms",
                     f"frame period {r['frame_period_ms']:.2f} ms", r["latency_p99_ms"] < r["frame_period_ms"]))
        chain = find(system, rf"BM_ProcessFrame/bits:{bits}/all_filters:1")
        if chain:
            rows.append((f"CPU per delivered frame, mode {mode} (no target)", f"{r['cpu_ms_per_frame']:.2f} ms",
                         f"the chain alone {chain['real_time']:.2f} ms", None))
    for filters in (0, 1):
        r = find(system, rf"BM_FourCameras/all_filters:{filters}.*")
        if r:
            rows.append((f"four cameras, mode 0, {'every filter on' if filters else 'stored filters'}, full rate: "
                         "no loss", f"{pct(r['delivered_share'])} (worst camera {pct(r['worst_share'])})",
                         f"camera {r['camera_fps']:.1f} fps each", r["worst_share"] >= 1.0))
    return rows


def stream_run(path):
    """What vonkelcam stream printed, from its file name and its summary lines."""
    m = re.search(r"wine-(\d+)-(all|none)\.txt$", path)
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read().replace("\r", "\n")
    run = {"bits": int(m.group(1)), "filters": m.group(2) == "all"}
    frames = re.findall(r"frames\s+(\d+)\s+[\d.]+ fps \(library\)\s+([\d.]+) fps \(received\)", text)
    dropped = re.search(r"dropped by the library (\d+) of", text)
    if not frames or not dropped:
        return None
    run["frames"], run["fps"], run["dropped"] = int(frames[-1][0]), float(frames[-1][1]), int(dropped.group(1))
    gaps = re.search(r"camera frames (\d+), delivered (\d+),", text)
    if gaps:
        run["camera_frames"], run["delivered"] = int(gaps.group(1)), int(gaps.group(2))
    return run


def wine_rows(paths, system):
    """Under Wine the camera is the same simulated one, inside the DLL: its frame rate is
    the native run's, and frames lost before the library saw them (a transfer thread that
    came late) show only against that rate."""
    rows = []
    for run in filter(None, map(stream_run, paths or [])):
        received = run["frames"]
        got = received + run["dropped"]
        share = received / got if got else 0
        notes = [f"library dropped {run['dropped']} of {got}"]
        if run.get("camera_frames"):
            share = min(share, run["delivered"] / run["camera_frames"])
            notes.append(f"{run['camera_frames'] - run['delivered']} missing in the frame numbers")
        native = find(system, rf"BM_Delivery/bits:{run['bits']}/exposure_us:2000/frames:\d+.*")
        baseline = f"received {run['fps']:.2f} fps"
        if native:
            share = min(share, run["fps"] / native["camera_fps"])
            baseline += f" of the camera's {native['camera_fps']:.2f}"
        rows.append((f"delivery under Wine, mode {MODES.get(run['bits'], run['bits'])}, "
                     f"{'every filter on' if run['filters'] else 'no filters'}: >= 99.9 %",
                     f"{pct(share)} ({'; '.join(notes)})", baseline, share >= 0.999))
    return rows


def image_rows(image):
    rows = []
    pairs = [("Demosaic8_24", "BayerToBGR_8"), ("Demosaic8_32", "BayerToBGRA_8"),
             ("Demosaic16_48", "BayerToBGR_16"), ("Demosaic16_64", "BayerToBGRA_16")]
    for ours, theirs in pairs:
        a = find(image, rf"Ours/{ours}(_median)?")
        b = find(image, rf"OpenCV/{theirs}(_median)?")
        if a and b:
            rows.append((f"demosaic {ours[8:].replace('_', ' -> ')}: <= OpenCV", f"{a['cpu_time']:.0f} µs",
                         f"OpenCV {b['cpu_time']:.0f} µs (ratio {a['cpu_time'] / b['cpu_time']:.2f})",
                         a["cpu_time"] <= b["cpu_time"]))
    a = find(image, r"Ours/Chain_mode2(_median)?")
    b = find(image, r"OpenCV/Chain_mode2(_median)?")
    if a:
        rows.append(("colour mode 2, every filter on: <= 1.0 ms", f"{a['cpu_time']:.0f} µs",
                     f"OpenCV {b['cpu_time']:.0f} µs" if b else "", a["cpu_time"] <= 1000))
    allocs = [r.get("allocs_100_frames") for r in image if re.match(r"Ours/Chain_mode\d$", r["name"])]
    if allocs:
        rows.append(("no allocation per frame, every mode", f"{max(allocs):.0f} in 100 frames", "", max(allocs) == 0))
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--system", required=True)
    parser.add_argument("--image")
    parser.add_argument("--wine", nargs="*")
    args = parser.parse_args()
    system = load(args.system)
    rows = delivery_rows(system) + wine_rows(args.wine, system) + image_rows(load(args.image))
    print("| target | today | baseline (same run) | met |")
    print("|---|---|---|---|")
    for target, today, baseline, met in rows:
        verdict = "" if met is None else ("yes" if met else "**no**")
        print(f"| {target} | {today} | {baseline} | {verdict} |")


if __name__ == "__main__":
    main()

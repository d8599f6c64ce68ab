#!/usr/bin/env python3
"""check_command.py WINE_RUN VONKELCAM_EXE FOLDER

Runs `vonkelcam check` against simulated cameras, healthy and with the faults of
VONKEL_SIMULATE_FAULTS, and reads its JSON report back: the exit code, which rows pass,
fail or are skipped, what a failure points to, the settings compared afterwards, the
report's documented fields. Prints how long each run took."""
import json
import os
import signal
import subprocess
import sys
import time

STREAMS = ["stream 8-bit", "stream 16-bit", "stream 24-bit", "stream 32-bit", "stream 48-bit",
           "stream 64-bit", "stream subsample", "stream 320x256", "sustained"]
ROWS = (["identity", "register"] + STREAMS + ["snapshot", "capture", "trigger"] +
        ["still " + f for f in ("bmp", "raw", "jpeg", "jpeg70", "jpeg20", "png", "tiff")] +
        ["recording", "settings"])

# name, fault variables, arguments, exit code, {row: (status, text in points_to)}; rows not
# named must pass, or (with "*") may do anything; interrupt: seconds before Ctrl+C.
SCENARIOS = [
    dict(name="healthy", env={}, args=[], exit=0, rows={"trigger": ("SKIP", "")}),
    dict(name="healthy, quick, with a trigger source", env={"VONKEL_SIMULATE_TRIGGER_MS": "40"},
         args=["--quick"], exit=0, rows={}),
    dict(name="every second frame fails", env={"VONKEL_SIMULATE_FAULTS": "fail_every=2"}, args=["--quick"],
         exit=1, rows={**{s: ("FAIL", "USB link") for s in STREAMS}, "recording": ("FAIL", "USB link"), "*": None}),
    dict(name="every second frame short", env={"VONKEL_SIMULATE_FAULTS": "short_every=2"}, args=["--quick"],
         exit=1, rows={**{s: ("FAIL", "USB link") for s in STREAMS}, "*": None}),
    dict(name="slow link", env={"VONKEL_SIMULATE_FAULTS": "link_percent=50"}, args=["--quick"], exit=1,
         rows={**{s: ("FAIL", "bandwidth") for s in STREAMS}, "trigger": ("SKIP", "")}),
    dict(name="unplugged and back", env={"VONKEL_SIMULATE_FAULTS": "unplug=1200,replug=2500"}, args=["--quick"],
         exit=1, rows={"sustained": ("FAIL", "USB link"), "snapshot": ("FAIL", "USB link"), "*": None}),
    dict(name="Ctrl+C", env={}, args=[], exit=3, interrupt=3, rows={"*": None}),
]


def run(wine_run, exe, folder, scenario):
    report = os.path.join(folder, "report.json")
    if os.path.exists(report):
        os.remove(report)
    env = dict(os.environ, VONKEL_SIMULATE="1", **scenario["env"])
    start = time.monotonic()
    proc = subprocess.Popen([wine_run, "--test", exe, "check", "--json", report] + scenario["args"], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if "interrupt" in scenario:
        time.sleep(scenario["interrupt"])
        # The Windows program is the process whose command line names the tool.
        for pid in subprocess.run(["pgrep", "-f", "vonkelcam.exe check"], capture_output=True,
                                  text=True).stdout.split():
            os.kill(int(pid), signal.SIGINT)
    output, _ = proc.communicate(timeout=180)  # no step may hang
    return proc.returncode, output.replace("\r", ""), time.monotonic() - start, report


def check_fields(report):
    """The documented fields, with their types."""
    problems = []
    expect = {"report": str, "format": int, "library_version": int, "camera": dict, "machine": dict,
              "quick": bool, "interrupted": bool, "seconds": (int, float), "result": str, "rows": list}
    for key, kind in expect.items():
        if not isinstance(report.get(key), kind):
            problems.append(f"field {key} missing or not {kind}")
    for key in ("device", "name", "serial", "temperature_c"):
        if key not in report.get("camera", {}):
            problems.append(f"camera.{key} missing")
    for key in ("processor", "cores", "windows", "wine"):
        if key not in report.get("machine", {}):
            problems.append(f"machine.{key} missing")
    for row in report.get("rows", []):
        if row.get("status") not in ("PASS", "FAIL", "SKIP") or not isinstance(row.get("figures"), dict):
            problems.append(f"row {row.get('name')}: status or figures")
        elif row["status"] == "FAIL" and not row.get("points_to"):
            problems.append(f"row {row['name']} fails without saying what it points to")
        elif any(not isinstance(v, (int, float)) for v in row["figures"].values()):
            problems.append(f"row {row['name']}: a figure is not a number")
    return problems


def check_rows(scenario, report):
    problems = []
    rows = {r["name"]: r for r in report["rows"]}
    wanted = scenario["rows"]
    complete = "*" not in wanted
    if complete and list(rows) != ROWS:
        problems.append(f"rows {list(rows)}")
    for name, want in wanted.items():
        if want is None:
            continue
        status, points = want
        row = rows.get(name)
        if not row or row["status"] != status or points not in (row.get("points_to") or ""):
            problems.append(f"{name}: wanted {status} pointing to '{points}', got {row}")
    for name, row in rows.items():
        if complete and name not in wanted and row["status"] != "PASS":
            problems.append(f"{name}: {row['status']} {row['detail']}")
    settings = rows.get("settings", {})
    figures = settings.get("figures", {})
    if settings.get("status") != "PASS" or figures.get("differences_reopened") != 0:
        problems.append(f"settings not as before: {settings}")
    if scenario["env"].get("VONKEL_SIMULATE_FAULTS", "").find("unplug") < 0 and figures.get("differences") != 0:
        problems.append(f"settings changed in the camera: {settings}")
    return problems


def main():
    wine_run, exe, folder = sys.argv[1:4]
    os.makedirs(folder, exist_ok=True)
    failures = 0
    for scenario in SCENARIOS:
        code, output, seconds, path = run(wine_run, exe, folder, scenario)
        print(f"--- {scenario['name']}: exit {code} in {seconds:.1f} s")
        problems = [] if code == scenario["exit"] else [f"exit {code}, wanted {scenario['exit']}"]
        try:
            with open(path, encoding="utf-8") as f:
                report = json.load(f)
            problems += check_fields(report) or check_rows(scenario, report)
        except (OSError, ValueError) as e:
            problems.append(f"no readable report: {e}")
        if problems:
            failures += 1
            print(output)
            print("\n".join("  " + p for p in problems))
    # Bad input: a clear error, and nothing run.
    for args, code in ((["--device", "40"], 2), (["--speed", "1"], 2), (["--device", "5"], 1)):
        proc = subprocess.run([wine_run, "--test", exe, "check"] + args, env=dict(os.environ, VONKEL_SIMULATE="1"),
                              capture_output=True, text=True, timeout=60)
        if proc.returncode != code or not proc.stderr.strip():
            failures += 1
            print(f"check {' '.join(args)}: exit {proc.returncode}, wanted {code} with a message")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

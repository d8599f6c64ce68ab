#!/usr/bin/env python3
"""Lists functions over 60 lines and files over 400 lines under src/ (the limits the
code keeps to); exits 1 when there is any."""
import pathlib
import re
import sys

MAX_FUNCTION, MAX_FILE = 60, 400
root = pathlib.Path(__file__).resolve().parent.parent / "src"
start = re.compile(r"^(?!\s)(?!namespace|struct|class|enum|extern|#|//|static_assert)[^;]*\)\s*(const)?\s*(override)?\s*(noexcept)?\s*\{\s*$")
found = []
for path in sorted(root.rglob("*")):
    if path.suffix not in (".cpp", ".h"):
        continue
    lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
    if len(lines) > MAX_FILE:
        found.append(f"{path.relative_to(root.parent)}: {len(lines)} lines")
    for i, line in enumerate(lines):
        if start.match(line):
            for j in range(i + 1, len(lines)):
                if lines[j].startswith("}"):
                    if j - i + 1 > MAX_FUNCTION:
                        found.append(f"{path.relative_to(root.parent)}:{i + 1}: function of {j - i + 1} lines")
                    break
print("\n".join(found) if found else "sizes within limits")
sys.exit(1 if found else 0)

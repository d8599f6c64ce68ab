#!/usr/bin/env python3
"""Refuses an include that goes against the layers: each folder of src/ may include only
itself and the folders below it. Run by the build (target check_layers); exits 1 and
names every wrong include."""
import pathlib
import re
import sys

# user -> what it may use (besides itself). Arrows point down only.
ALLOWED = {
    "api": {"dialogs", "camera", "settings", "sim", "platform"},
    "dialogs": {"camera", "settings", "image", "platform"},
    "camera": {"model", "image", "output", "settings", "platform"},
    "settings": {"platform"},
    "model": {"transport", "image", "platform"},
    "transport": {"platform"},
    "output": {"image", "platform"},
    "image": {"platform"},
    "sim": {"model", "platform"},
    "platform": set(),
}

src = pathlib.Path(__file__).resolve().parent.parent / "src"
include = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')
wrong = []
for path in sorted(src.rglob("*")):
    if path.suffix not in (".cpp", ".h", ".rc"):
        continue
    layer = path.relative_to(src).parts[0]
    if layer not in ALLOWED:
        continue
    for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
        m = include.match(line)
        if m and m.group(1) != layer and m.group(1) in ALLOWED and m.group(1) not in ALLOWED[layer]:
            wrong.append(f"{path.relative_to(src.parent)}:{number}: {layer}/ may not include {m.group(1)}/")
print("\n".join(wrong) if wrong else "layers kept")
sys.exit(1 if wrong else 0)

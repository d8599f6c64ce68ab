#!/usr/bin/env bash
# The soak: four simulated cameras streaming at full rate into one application window
# through the DLL under Wine, for an hour unless told otherwise. Prints memory, handles,
# frames and errors once a minute.
#   scripts/soak.sh [MINUTES, default 60] [CAMERAS, default 4]
# Expects the win64 build (scripts/test.sh or scripts/demo.sh makes it).
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-60}
cameras=${2:-4}
VONKEL_SIMULATE=$cameras cmake/wine-run.sh build/win64/bin/vonkel_soak.exe --minutes "$minutes" --cameras "$cameras"

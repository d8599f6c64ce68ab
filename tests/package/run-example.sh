#!/usr/bin/env bash
# run-example.sh WINE_RUN EXAMPLE.exe [ARGS...]
# Runs an example under Wine as a user would, then removes the camera settings it stored
# at Vonkel_Release, so that no later test starts from them. Exits with the example's status.
set -uo pipefail
wine_run=$1; shift
"$wine_run" --test "$@"
rc=$?
"$wine_run" reg delete 'HKCU\Software\Pelkor' /f >/dev/null 2>&1 || true
exit "$rc"

#!/usr/bin/env bash
# The ZIP a user downloads, build/VonkelSdk-<version>-win64.zip: sets the machine up, configures
# the win64 preset without the tests in a folder of its own (build/win64-package), and has
# CPack pack the install layout (the DLL, vonkelcam, the examples).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=build/win64-package
cmake --preset win64 -B "$build" -DVONKEL_TESTS=OFF >/dev/null
# cpack only installs what is built: the DLL, vonkelcam and the examples are built first.
cmake --build "$build"
# the HTML reference goes into docs/reference/ of the package
if [[ -x scripts/docs.sh ]]; then
    scripts/docs.sh "$build/reference"
fi
cpack --config "$build/CPackConfig.cmake" >"$build/cpack.log" || { cat "$build/cpack.log"; exit 1; }
zip=$(ls "$build"/package/VonkelSdk-*-win64.zip)
cp "$zip" build/
echo "build/$(basename "$zip")"

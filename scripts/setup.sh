#!/usr/bin/env bash
# Everything the build needs on a Debian 12 machine (run as root): system packages,
# the ja_JP locale for the Japanese dialogs, and the cross-built codec libraries.
# Quick when everything is already there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(cmake ninja-build make g++ pkg-config
          g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          mingw-w64-x86-64-dev libz-mingw-w64-dev nasm dpkg-dev
          googletest libbenchmark-dev
          libjpeg62-turbo-dev libpng-dev libtiff-dev zlib1g-dev
          wine wine64 xvfb fontconfig procps util-linux locales fonts-ipafont-gothic fonts-wine
          imagemagick python3-pil x11-apps
          ffmpeg   # reads back the AVI recordings in the tests
          doxygen  # the reference (scripts/docs.sh), warnings as errors
          clang lld) # link a program against the import library for Microsoft's linker in the tests
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}" >&2
    apt-get update -qq
    # without recommends: imagemagick's would pull in a CJK font that changes how captions render
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
fi
"$here/build-win64-deps.sh" "${VONKEL_DEPS_PREFIX:-$HOME/.cache/vonkel/win64-deps}" \
    "${VONKEL_DEPS_CACHE:-$HOME/.cache/vonkel/win64-deps-src}"

#!/usr/bin/env bash
# package-test.sh STEP BUILD_DIR SOURCE_DIR   (the tools in CPACK, CLANG, LLD_LINK)
#   zip       the ZIP made by CPack as scripts/package.sh makes it, unpacked into
#             BUILD_DIR/package-test/unpacked, its layout checked, and every file its pages
#             name found in it
#   consumer-build  the first projects of the package's README.md, written as it gives them,
#             and the package's examples/ configured and built against the unpacked package
#             with the MinGW toolchain; the header refused under C++14 with its reason
#   consumer  the README's programs run under Wine from their build folders, as it says, the
#             package's vonkelcam shows and resets the settings they leave behind, and the
#             package's examples run, without a display where they need none
#   mslib     the consumer linked against the package's import library for Microsoft's linker:
#             by clang with lld, and with no C runtime by lld-link on Microsoft's command
#             line; both run under Wine
set -euo pipefail
step=$1; build=$(cd "$2" && pwd); src=$(cd "$3" && pwd)
work=$build/package-test
wine_run=$src/cmake/wine-run.sh
run_example=$src/tests/package/run-example.sh
readme=$src/tests/package/readme.py
python=${VONKEL_PYTHON:-python3}
export VONKEL_WINE_STATE=$build/wine   # the suite's Wine prefix, not one per consumer build folder
dll=VonkelSdk_430NVTX_QEL

fail() { echo "package-test $step: $*" >&2; exit 1; }
package_root() {
    local root; root=$(ls -d "$work"/unpacked/VonkelSdk-*-win64 2>/dev/null) || fail "no unpacked package (run package_zip)"
    echo "$root"
}

make_zip() {
    rm -rf "$work"; mkdir -p "$work/unpacked"
    "${CPACK:-cpack}" --config "$build/CPackConfig.cmake" -B "$work/zip" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log"; fail "cpack failed"; }
    local zip; zip=$(ls "$work"/zip/VonkelSdk-*-win64.zip) || fail "no ZIP in $work/zip"
    echo "made $(basename "$zip"), $(stat -c %s "$zip") bytes"
    (cd "$work/unpacked" && cmake -E tar xf "$zip")
    local root; root=$(package_root)
    local f missing=0
    for f in bin/$dll.dll bin/vonkelcam.exe include/VonkelSdk.h lib/$dll.dll.a lib/$dll.lib \
             lib/cmake/VonkelSdk/VonkelSdkConfig.cmake lib/cmake/VonkelSdk/VonkelSdkConfigVersion.cmake \
             examples/CMakeLists.txt examples/README.md README.md; do
        [[ -f $root/$f ]] || { echo "missing: $f"; missing=1; }
    done
    # every header and every example of the tree, and every page of docs/ for users
    for d in include examples; do
        diff <(cd "$src/$d" && find . -type f | sort) <(cd "$root/$d" && find . -type f | sort) ||
            { echo "$d/ of the package differs from the tree's"; missing=1; }
    done
    diff <(cd "$src/docs" && find . -type f ! -name architecture.md ! -name reliability.md ! -name Doxyfile | sort) \
         <(cd "$root/docs" && find . -path ./reference -prune -o -type f -print | sort) ||
        { echo "docs/ of the package differs from the tree's"; missing=1; }
    ((missing == 0)) || fail "the package is incomplete"
    "$python" "$readme" paths "$root" || fail "its pages name files it does not hold"
    (cd "$root" && find . -type f | sort | sed 's|^\./||' | grep -v -E '^(docs|examples|include)/' ; \
     echo "include/: $(find include -type f | wc -l) files, examples/: $(find examples -type f | wc -l), docs/: $(find docs -type f | wc -l)")
}

build_consumer() {
    local root; root=$(package_root)
    local args=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64-posix.cmake"
                -DVonkelSdk_DIR="$root/lib/cmake/VonkelSdk")
    rm -rf "$work/first" "$work/examples"
    local projects; projects=$("$python" "$readme" projects "$root/README.md" "$work/first") ||
        fail "the README gives no project"
    # C++14 asked for: the C++ target's usage requirement raises it to C++17
    local project
    for project in $projects; do
        cmake -S "$project" -B "$project/build" "${args[@]}" -DCMAKE_CXX_STANDARD=14 >"$project.log" 2>&1 &&
            cmake --build "$project/build" >>"$project.log" 2>&1 || { cat "$project.log"; fail "$project failed"; }
        cmp "$root/bin/$dll.dll" "$project/build/$dll.dll" || fail "$project: the DLL is not beside the program"
    done
    echo "the README's projects build: $(cd "$work/first" && echo */build/*.exe)"
    local refused
    refused=$(x86_64-w64-mingw32-g++-posix -std=c++14 -fsyntax-only -I"$root/include" -x c++ - \
              <<<'#include "vonkel/vonkel.hpp"' 2>&1) && fail "the C++ header compiles as C++14"
    [[ $refused == *"needs C++17"* ]] || { echo "$refused" | head; fail "C++14 is refused without saying why"; }
    cmake -S "$root/examples" -B "$work/examples" "${args[@]}" >"$work/examples.log" 2>&1 &&
        cmake --build "$work/examples" >>"$work/examples.log" 2>&1 || { cat "$work/examples.log"; fail "examples build failed"; }
    for exe in "$work"/examples/*.exe "$work"/examples/cpp/*.exe; do
        [[ -f $(dirname "$exe")/$dll.dll ]] || fail "no DLL beside $exe"
    done
    echo "the package's examples build: $(cd "$work/examples" && echo *.exe cpp/*.exe)"
}

run_consumer() {
    local exe rc=0
    compgen -G "$work/first/*/build/*.exe" >/dev/null || fail "no README program built (run package_consumer_build)"
    for exe in "$work"/first/*/build/*.exe; do
        echo "== $exe"
        rm -f "$(dirname "$exe")/first.png"
        (cd "$(dirname "$exe")" && VONKEL_SIMULATE=1 "$run_example" "$wine_run" "./$(basename "$exe")") || rc=1
        "$python" "$src/tests/package/check_example_files.py" grey "$(dirname "$exe")/first.png" || rc=1
    done
    settings_commands || rc=1
    run_examples || rc=1
    return $rc
}

# The package's examples as built against it, each from its build folder beside its DLL, as
# examples/README.md says: without a display where they need none (Wine given no DISPLAY),
# callback_preview with one and, without, saying that it needs one.
run_examples() {
    local setup; setup=$("$wine_run" --env | tail -1)
    eval "$setup"
    local display=$DISPLAY name args needs use want_rc want_text out got_rc failed=0
    rm -rf "$work/examples-run"; mkdir -p "$work/examples-run"
    while IFS='|' read -r name args needs want_rc want_text; do
        use=""; [[ $needs == display ]] && use=$display
        # shellcheck disable=SC2086
        out=$(cd "$work/examples-run" && DISPLAY=$use VONKEL_SIMULATE=1 VONKEL_SIMULATE_TRIGGER_MS=100 \
              timeout 120 wine "$work/examples/$name.exe" $args 2>&1) &&
            got_rc=0 || got_rc=$?
        if [[ $got_rc != "$want_rc" || $out != *"$want_text"* ]]; then
            echo "$name $args ($needs): exit $got_rc, wanted $want_rc and '$want_text' in:"; echo "$out"; failed=1
        fi
    done <<'TABLE'
list_cameras||none|0|1 camera
snapshot_png|example.png|none|0|
trigger_mode|3|none|0|trigger 3 after
record_avi|example.avi 2|none|0|
cpp/cpp_stream||none|0|100 frames of 640 x 512
callback_preview|50|display|0|50 frames received
callback_preview|50|none|1|callback_preview needs a display
TABLE
    "$wine_run" reg delete 'HKCU\Software\Pelkor' /f >/dev/null 2>&1 || true
    "$python" "$src/tests/package/check_example_files.py" png "$work/examples-run/example.png" \
        avi "$work/examples-run/example.avi" 2 || failed=1
    ((failed == 0)) || return 1
    echo "the package's examples run, without a display but for callback_preview"
}

# The way back from settings a program left behind, as the README names it: a snapshot
# stores device 0's settings when it releases the camera; reset removes them, and a device
# number that is not one changes nothing.
settings_commands() {
    local tool; tool=$(package_root)/bin/vonkelcam.exe
    local args want_rc want_text out got_rc failed=0
    while IFS='|' read -r args want_rc want_text; do
        # shellcheck disable=SC2086
        out=$(cd "$work" && VONKEL_SIMULATE=1 "$wine_run" "$tool" $args 2>&1) && got_rc=0 || got_rc=$?
        if [[ $got_rc != "$want_rc" || $out != *"$want_text"* ]]; then
            echo "vonkelcam $args: exit $got_rc, wanted $want_rc and '$want_text' in:"; echo "$out"; failed=1
        fi
    done <<'TABLE'
settings reset|0|stored settings removed
settings show|0|nothing stored in HKEY_CURRENT_USER\Software\Pelkor\Vonkel430NVTXQELSdk\Camera_00
snap settings.png --format png|0|
settings show|0|Gain\ExposureEx =
settings reset --device 32|2|--device takes a device number 0..31
settings show --device 0|0|Gray\Mode = 0
settings reset --device 0|0|stored settings removed
settings show|0|nothing stored
settings|2|usage: vonkelcam settings show|reset
TABLE
    "$wine_run" reg delete 'HKCU\Software\Pelkor' /f >/dev/null 2>&1 || true
    ((failed == 0)) || return 1
    echo "vonkelcam settings: show and reset as the README says"
}

link_ms_lib() {
    local root; root=$(package_root)
    local out=$work/mslib clang=${CLANG:-clang} lld_link=${LLD_LINK:-lld-link}
    command -v "$clang" >/dev/null && command -v "$lld_link" >/dev/null || fail "clang and lld are not installed (scripts/setup.sh)"
    rm -rf "$out"; mkdir -p "$out"
    local gcc_libs; gcc_libs=$(dirname "$(x86_64-w64-mingw32-gcc-posix -print-libgcc-file-name)")
    # clang's MinGW driver, with the C runtime; the DLL imported through the .lib alone
    "$clang" --target=x86_64-w64-windows-gnu -fuse-ld=lld -static -L"$gcc_libs" -O1 -I"$root/include" \
        "$src/tests/package/consumer.c" "$root/lib/$dll.lib" -o "$out/consumer_clang.exe"
    # Microsoft's command line: nothing but the objects and libraries named
    "$clang" --target=x86_64-w64-windows-gnu -ffreestanding -fno-stack-protector -O1 -I"$root/include" \
        -c "$src/tests/package/nocrt_consumer.c" -o "$out/nocrt_consumer.obj"
    "$lld_link" /nologo /subsystem:console /entry:ConsumerEntry /nodefaultlib /out:"$out/consumer_lld_link.exe" \
        "$out/nocrt_consumer.obj" "$root/lib/$dll.lib" "$(x86_64-w64-mingw32-gcc-posix -print-file-name=libkernel32.a)"
    cp "$root/bin/$dll.dll" "$out/"
    local exe rc=0
    for exe in consumer_clang consumer_lld_link; do
        [[ $(x86_64-w64-mingw32-objdump -p "$out/$exe.exe") == *"DLL Name: $dll.dll"* ]] ||
            fail "$exe.exe does not import $dll.dll"
        echo "== $exe.exe"
        VONKEL_SIMULATE=1 "$run_example" "$wine_run" "$out/$exe.exe" || rc=1
    done
    return $rc
}

case $step in
    zip) make_zip ;;
    consumer-build) build_consumer ;;
    consumer) run_consumer ;;
    mslib) link_ms_lib ;;
    *) fail "unknown step" ;;
esac

#!/usr/bin/env bash
# package-test.sh STEP BUILD_DIR SOURCE_DIR   (the tools in CPACK, CLANG, LLD_LINK)
#   zip       the ZIP made by CPack as scripts/package.sh makes it, unpacked into
#             BUILD_DIR/package-test/unpacked, its layout checked
#   consumer-build  tests/package/consumer and the package's examples/ configured and built
#             against the unpacked package with the MinGW toolchain
#   consumer  the consumer run under Wine
#   mslib     the consumer linked against the package's import library for Microsoft's linker:
#             by clang with lld, and with no C runtime by lld-link on Microsoft's command
#             line; both run under Wine
set -euo pipefail
step=$1; build=$(cd "$2" && pwd); src=$(cd "$3" && pwd)
work=$build/package-test
wine_run=$src/cmake/wine-run.sh
run_example=$src/tests/package/run-example.sh
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
             examples/CMakeLists.txt examples/README.md; do
        [[ -f $root/$f ]] || { echo "missing: $f"; missing=1; }
    done
    # every header and every example of the tree, and every page of docs/ for users
    for d in include examples; do
        diff <(cd "$src/$d" && find . -type f | sort) <(cd "$root/$d" && find . -type f | sort) ||
            { echo "$d/ of the package differs from the tree's"; missing=1; }
    done
    diff <(cd "$src/docs" && find . -type f ! -name architecture.md ! -name Doxyfile | sort) \
         <(cd "$root/docs" && find . -path ./reference -prune -o -type f -print | sort) ||
        { echo "docs/ of the package differs from the tree's"; missing=1; }
    ((missing == 0)) || fail "the package is incomplete"
    (cd "$root" && find . -type f | sort | sed 's|^\./||' | grep -v -E '^(docs|examples|include)/' ; \
     echo "include/: $(find include -type f | wc -l) files, examples/: $(find examples -type f | wc -l), docs/: $(find docs -type f | wc -l)")
}

build_consumer() {
    local root; root=$(package_root)
    local args=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64-posix.cmake"
                -DVonkelSdk_DIR="$root/lib/cmake/VonkelSdk")
    rm -rf "$work/consumer" "$work/examples"
    cmake -S "$src/tests/package/consumer" -B "$work/consumer" "${args[@]}" >"$work/consumer.log" 2>&1 &&
        cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "consumer build failed"; }
    grep -- '-- VonkelSdk ' "$work/consumer.log"
    cmp "$root/bin/$dll.dll" "$work/consumer/$dll.dll" || fail "the consumer's copy of the DLL is not the package's"
    cmake -S "$root/examples" -B "$work/examples" "${args[@]}" >"$work/examples.log" 2>&1 &&
        cmake --build "$work/examples" >>"$work/examples.log" 2>&1 || { cat "$work/examples.log"; fail "examples build failed"; }
    echo "the package's examples build: $(cd "$work/examples" && echo *.exe)"
}

run_consumer() {
    [[ -f $work/consumer/consumer.exe ]] || fail "no consumer built (run package_consumer_build)"
    VONKEL_SIMULATE=1 "$run_example" "$wine_run" "$work/consumer/consumer.exe"
}

link_ms_lib() {
    local root; root=$(package_root)
    local out=$work/mslib clang=${CLANG:-clang} lld_link=${LLD_LINK:-lld-link}
    command -v "$clang" >/dev/null && command -v "$lld_link" >/dev/null || fail "clang and lld are not installed (scripts/setup.sh)"
    rm -rf "$out"; mkdir -p "$out"
    local gcc_libs; gcc_libs=$(dirname "$(x86_64-w64-mingw32-gcc-posix -print-libgcc-file-name)")
    # clang's MinGW driver, with the C runtime; the DLL imported through the .lib alone
    "$clang" --target=x86_64-w64-windows-gnu -fuse-ld=lld -static -L"$gcc_libs" -O1 -I"$root/include" \
        "$src/tests/package/consumer/consumer.c" "$root/lib/$dll.lib" -o "$out/consumer_clang.exe"
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

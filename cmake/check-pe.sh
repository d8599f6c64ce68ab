#!/bin/sh
# check-pe.sh DLL DEF HEADER [EXE...]
# Fails unless the DLL and the executables import only system DLLs (and ours), and the
# DLL exports exactly the names listed in the .def file (nothing of the
# statically linked runtime or codecs leaks out), and the public header declares
# exactly those functions.
set -u
dll=$1; def=$2; header=$3; shift 3
allow='^(vonkelsdk_430nvtx_qel|kernel32|user32|gdi32|comctl32|advapi32|winmm|shell32|ole32|oleaut32|msvcrt|comdlg32|version|api-ms-win-crt-[a-z0-9-]+)\.dll$'
rc=0
for f in "$dll" "$@"; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
    echo "$f imports: $(echo $dlls)"
    for d in $dlls; do
        echo "$d" | grep -Eq "$allow" || { echo "  not a system DLL: $d"; rc=1; }
    done
done
# export table: the lines after "[Ordinal/Name Pointer] Table" until a blank line
exported=$(x86_64-w64-mingw32-objdump -p "$dll" |
    awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { on = 0 } on { print $NF }' | sort)
wanted=$(sed -n 's/^[[:space:]]\{1,\}\(Vonkel_[A-Za-z0-9_]*\).*/\1/p' "$def" | sort)
if [ "$exported" != "$wanted" ]; then
    echo "export table differs from $def:"
    printf '%s\n' "$exported" > /tmp/check-pe.$$.have
    printf '%s\n' "$wanted" > /tmp/check-pe.$$.want
    diff /tmp/check-pe.$$.want /tmp/check-pe.$$.have | sed 's/^/  /'
    rm -f /tmp/check-pe.$$.have /tmp/check-pe.$$.want
    rc=1
else
    echo "$(printf '%s\n' "$exported" | grep -c .) exports, exactly those of $def"
fi
declared=$(grep -o 'VONKELAPI Vonkel_[A-Za-z0-9_]*' "$header" | sed 's/VONKELAPI //' | sort)
if [ "$declared" != "$wanted" ]; then
    echo "header declarations differ from $def:"
    printf '%s\n' "$declared" > /tmp/check-pe.$$.decl
    printf '%s\n' "$wanted" > /tmp/check-pe.$$.want
    diff /tmp/check-pe.$$.want /tmp/check-pe.$$.decl | sed 's/^/  /'
    rm -f /tmp/check-pe.$$.decl /tmp/check-pe.$$.want
    rc=1
fi
exit $rc

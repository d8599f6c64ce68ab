#!/bin/bash
# CTest's cross-compiling emulator: runs a Windows program under Wine.
#
#   wine-run.sh prog.exe [args]   run it (sets up the environment first)
#   wine-run.sh --test prog.exe   the same for a test program (CTest's emulator)
#   wine-run.sh --setup           prepare prefix, Xvfb and wineserver (CTest fixture)
#   wine-run.sh --teardown        stop them again (CTest fixture)
#   wine-run.sh --env             print the exports for running things by hand
#
# State lives in <build folder>/wine: a private WINEPREFIX, one wineserver kept
# alive for the whole run, and an Xvfb started here when DISPLAY is unset.
set -euo pipefail
state_dir() {
    [[ -n "${VONKEL_WINE_STATE:-}" ]] && { echo "$VONKEL_WINE_STATE"; return; }
    local d; d=$(cd "$(dirname "$1")" && pwd)
    while [[ $d != / ]]; do [[ -f $d/CMakeCache.txt ]] && { echo "$d/wine"; return; }; d=$(dirname "$d"); done
    echo "$PWD/wine"
}
mode=run
case "${1:?usage: $0 [--test] prog.exe [args]|--setup|--teardown|--env}" in
    --setup|--teardown|--env) mode=${1#--}; S=$(state_dir "$PWD/.") ;;
    --test) mode=test; shift; S=$(state_dir "${1:?usage: $0 --test prog.exe [args]}") ;;
    *) S=$(state_dir "$1") ;;
esac
mkdir -p "$S"; S=$(cd "$S" && pwd)
export WINEPREFIX=$S/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# kill -0 succeeds on zombies; look at the process state instead
alive() { [[ -n ${1:-} && -r /proc/$1/stat && $(awk '{print $3}' /proc/$1/stat) != Z ]]; }

own_xvfb() { [[ -f $S/xvfb.pid ]]; }

teardown() {
    wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true
    local d; d=$(cat "$WINEPREFIX/wineserver" 2>/dev/null || true)
    [[ $d =~ ^wine-[A-Za-z0-9]+$ ]] && rm -rf "${TMPDIR:-/tmp}/$d"
    local pid; pid=$(cat "$S/xvfb.pid" 2>/dev/null || true)
    if alive "$pid" && grep -q Xvfb "/proc/$pid/cmdline"; then
        kill "$pid"; for _ in {1..50}; do alive "$pid" || break; sleep 0.1; done
    fi
    rm -f "$S/xvfb.pid" "$S/xvfb.display" "$S/desktop.pid"
}
start_xvfb() {
    if [[ -n ${DISPLAY:-} ]] && ! own_xvfb; then return; fi
    local pid disp=; pid=$(cat "$S/xvfb.pid" 2>/dev/null || true)
    if alive "$pid"; then export DISPLAY=:$(cat "$S/xvfb.display"); return; fi
    rm -f "$S/xvfb.fd"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
        3>"$S/xvfb.fd" </dev/null >"$S/xvfb.log" 2>&1 &
    pid=$!
    for _ in {1..200}; do
        disp=$(tr -dc 0-9 <"$S/xvfb.fd" 2>/dev/null || true); [[ -n $disp ]] && break
        alive "$pid" || break; sleep 0.05
    done
    [[ -n $disp ]] || { echo "Xvfb failed: $S/xvfb.log" >&2; exit 125; }
    echo "$pid" >"$S/xvfb.pid"; echo "$disp" >"$S/xvfb.display"; export DISPLAY=:$disp
}
init_prefix() {
    if [[ -e $WINEPREFIX ]]; then wineserver -k || true; wineserver -w || true; rm -rf "$WINEPREFIX"; fi
    mkdir -p "$WINEPREFIX"
    # Debian's wrapper starts the server with -p0 (exit after every process): keep one alive
    wineserver -p30 </dev/null >/dev/null 2>&1 || true
    wineboot -i </dev/null >"$S/wineboot.log" 2>&1
    local r="wine reg add"
    # a crash dialog would block forever under Xvfb
    $r 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    # without a window manager, destroying a shown window waits 2 s
    $r 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    find /usr/share/wine/fonts -name '*.ttf' ! -name tahomabd.ttf -exec cp -t "$WINEPREFIX/drive_c/windows/Fonts" {} +
    local f; for f in IPAPGothic IPAGothic 'Noto Sans CJK JP'; do
        [[ -n $(fc-list ":family=$f" 2>/dev/null) ]] && { $r 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d "$f" /f; break; }
    done
    touch "$WINEPREFIX/.vonkel-ready"
}
start_session() {   # wine daemons must not inherit CTest's pipes, or CTest waits on them
    wineserver -p30 </dev/null >/dev/null 2>&1 || true   # exit 2 = already running
    alive "$(cat "$S/desktop.pid" 2>/dev/null || true)" && return
    setsid wine explorer.exe /desktop </dev/null >>"$S/desktop.log" 2>&1 &
    echo $! >"$S/desktop.pid"
    wine cmd.exe /c exit   # returns when the services are up
    for _ in {1..100}; do pgrep -f 'explorer.exe /desktop' >/dev/null && break; sleep 0.05; done
    sleep 0.3
}
prepare() {
    exec 9>"$S/lock"; flock 9
    # subshell: set -e works, stdout stays clean for test discovery, the lock fd does not leak
    set +e
    (set -e; start_xvfb; [[ -f $WINEPREFIX/.vonkel-ready ]] || init_prefix; start_session) \
        9>&- </dev/null >>"$S/prepare.log" 2>&1
    local rc=$?; set -e
    exec 9>&-
    (( rc == 0 )) || { echo "wine-run.sh: setup failed, see $S/prepare.log" >&2; exit 125; }
    if own_xvfb; then export DISPLAY=:$(cat "$S/xvfb.display"); fi
}
# A test program prints before it does anything else (its output is unbuffered), so a
# failure with nothing at all on stdout is Wine not starting it. Rarely, the Linux side
# of Wine aborts in glibc's exit handlers ("Inconsistency detected by ld.so: dl-fini.c")
# after the program has ended: no Windows code runs there. Those two, and only those,
# are run once more, saying so; the second run gives the verdict.
run_test() {
    local rc attempt
    test_out=$(mktemp); test_err=$(mktemp)
    trap 'rm -f "$test_out" "$test_err"' EXIT
    for attempt in 1 2; do
        set +e; wine "$@" 2>"$test_err" | tee "$test_out"; rc=${PIPESTATUS[0]}; set -e
        cat "$test_err" >&2
        (( rc != 0 && attempt == 1 )) || break
        if [[ ! -s $test_out ]]; then
            echo "wine-run.sh: $1 ended with status $rc before printing anything; starting it again" >&2
        elif grep -q 'Inconsistency detected by ld.so: dl-fini.c' "$test_err"; then
            echo "wine-run.sh: $1 ended with status $rc in glibc's exit handlers; starting it again" >&2
        else
            break
        fi
    done
    return "$rc"
}
case $mode in
    teardown) teardown ;;
    setup) prepare ;;
    env) prepare; echo "export WINEPREFIX=$WINEPREFIX DISPLAY=$DISPLAY WINEDEBUG=$WINEDEBUG WINEDLLOVERRIDES='$WINEDLLOVERRIDES'" ;;
    run) prepare; exec wine "$@" ;;
    test) prepare; run_test "$@" ;;
esac

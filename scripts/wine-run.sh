#!/usr/bin/env bash
# Runs a Windows program of a cross build under Wine, in a prefix that belongs
# to that build folder alone:
#   wine-run.sh PREFIX ARCH PROGRAM [ARGUMENT...]   run, creating the prefix first if needed
#   wine-run.sh --start PREFIX ARCH                 only create the prefix and its X server
#   wine-run.sh --stop PREFIX                       end that prefix's wineserver and X server
# ARCH is win32 or win64. Every Wine call is bounded by QUENOR_WINE_TIMEOUT
# seconds (default 600); the program's exit status is passed on, 124 after a
# time-out.
#
# Windows need an X server: unless DISPLAY is set, the prefix gets a private
# Xvfb of its own (its display in PREFIX/.xvfb-display, its process in
# PREFIX/.xvfb-pid), shared by every program run in that prefix. It ends with
# --stop; without one (a build lists its tests through here too) it ends two
# minutes after its last client left, or QUENOR_WINE_XVFB_LIFETIME seconds
# (default 10800) after it started. A later call starts a new one.
set -euo pipefail

limit=${QUENOR_WINE_TIMEOUT:-600}
lifetime=${QUENOR_WINE_XVFB_LIFETIME:-10800}
export WINEDEBUG=-all
# No prompts to install the .NET or browser runtimes while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="

bounded() { timeout --kill-after=10 "$1" "${@:2}"; }

# The recorded server, if that process is still the Xvfb that was started:
# a stale record (a reboot, a killed run) may name a process id reused since.
recorded_server() {
    local prefix=$1 pid display
    pid=$(cat "$prefix/.xvfb-pid" 2>/dev/null) || return 1
    display=$(cat "$prefix/.xvfb-display" 2>/dev/null) || return 1
    [ -n "$pid" ] && [ -n "$display" ] || return 1
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q Xvfb || return 1
    echo "$display"
}

# Called with the prefix's lock held. -displayfd lets the server take the
# first free display number itself, so parallel build folders never race
# for one.
start_server() {
    local prefix=$1 numberfile="$1/.xvfb-number" number="" pid
    recorded_server "$prefix" >/dev/null && return 0
    rm -f "$prefix/.xvfb-pid" "$prefix/.xvfb-display" "$numberfile"
    command -v Xvfb >/dev/null || {
        echo "wine-run.sh: no Xvfb, programs run without an X server" >&2
        return 0
    }
    # Its own session and no terminal or pipes of the caller: CTest waits for
    # the output of a test's children, and this one outlives the fixture test.
    setsid timeout --kill-after=10 "$lifetime" \
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -terminate 120 \
        3>"$numberfile" 9>&- </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 300); do
        number=$(head -n 1 "$numberfile" 2>/dev/null | tr -cd 0-9)
        [ -n "$number" ] && [ "$(wc -l <"$numberfile")" -ge 1 ] && break
        kill -0 "$pid" 2>/dev/null || break
        number=""
        sleep 0.1
    done
    rm -f "$numberfile"
    if [ -z "$number" ]; then
        kill "$pid" 2>/dev/null || true
        echo "wine-run.sh: Xvfb did not start, programs run without an X server" >&2
        return 0
    fi
    # The process that carries "Xvfb" on its command line is timeout's child.
    pid=$(pgrep -P "$pid" -x Xvfb || echo "$pid")
    echo "$pid" >"$prefix/.xvfb-pid"
    echo ":$number" >"$prefix/.xvfb-display"
}

stop_server() {
    local prefix=$1 pid
    recorded_server "$prefix" >/dev/null || {
        rm -f "$prefix/.xvfb-pid" "$prefix/.xvfb-display"
        return 0
    }
    pid=$(cat "$prefix/.xvfb-pid")
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    rm -f "$prefix/.xvfb-pid" "$prefix/.xvfb-display"
}

# Creating a prefix takes seconds, and tests may start in parallel: the first
# caller creates it (and its server) under a lock, the others wait for it.
ensure_prefix() {
    local prefix=$1 arch=$2
    if [ -f "$prefix/.ready" ] && { [ -n "${DISPLAY:-}" ] || recorded_server "$prefix" >/dev/null; }; then
        return 0
    fi
    mkdir -p "$(dirname "$prefix")"
    exec 9>"$prefix.lock"
    flock 9
    if [ ! -f "$prefix/.ready" ]; then
        stop_server "$prefix"
        rm -rf "$prefix"
        mkdir -p "$prefix"
    fi
    [ -n "${DISPLAY:-}" ] || start_server "$prefix"
    if [ ! -f "$prefix/.ready" ]; then
        with_display "$prefix"
        WINEPREFIX=$prefix WINEARCH=$arch bounded 300 wine wineboot --init >/dev/null 2>&1
        # A crash prints its backtrace and ends the program; no dialog waits
        # for a click that never comes.
        WINEPREFIX=$prefix bounded 120 wine reg add 'HKCU\Software\Wine\WineDbg' \
            /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        # The server wineboot started ends within seconds; the next one is
        # started where it belongs (start_wineserver).
        WINEPREFIX=$prefix bounded 60 wineserver -w 2>/dev/null || true
        touch "$prefix/.ready"
    fi
    flock -u 9
    exec 9>&-
}

with_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local display
    display=$(recorded_server "$1") && export DISPLAY=$display
    return 0
}

# A wineserver (and the desktop process it starts) inherits the pipes of the
# program that happened to start it and keeps them while any program of the
# prefix runs, so CTest would see that one test last until the end of the
# run. The fixture starts it on no pipe of any test's, staying two minutes
# after the last program ends.
start_wineserver() {
    with_display "$1"
    WINEPREFIX=$1 setsid timeout --kill-after=10 60 wineserver -p120 </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$1 setsid timeout --kill-after=10 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

case "${1:-}" in
--start)
    ensure_prefix "$2" "$3"
    start_wineserver "$2"
    ;;
--stop)
    if [ -d "$2" ]; then
        WINEPREFIX=$2 bounded 60 wineserver -k 2>/dev/null || true
        exec 9>"$2.lock"
        flock 9
        stop_server "$2"
    fi
    ;;
*)
    prefix=$1 arch=$2
    shift 2
    ensure_prefix "$prefix" "$arch"
    with_display "$prefix"
    # Now and then Wine fails to create the process at all and falls back to
    # its shell, which prints "ShellExecuteEx failed": the program never ran,
    # so it gets one more start. Its own failures are passed on as they are.
    errors=$(mktemp)
    trap 'rm -f "$errors"' EXIT
    for attempt in 1 2; do
        status=0
        WINEPREFIX=$prefix bounded "$limit" wine "$@" 2>"$errors" || status=$?
        cat "$errors" >&2
        [ "$status" -ne 0 ] && [ "$attempt" -eq 1 ] && grep -q "ShellExecuteEx failed" "$errors" || break
        echo "wine-run.sh: Wine did not start $1; starting it again" >&2
    done
    exit $status
    ;;
esac

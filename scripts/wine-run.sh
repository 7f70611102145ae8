#!/usr/bin/env bash
# Runs a Windows program of a cross build under Wine, in a prefix that belongs
# to that build folder alone:
#   wine-run.sh PREFIX ARCH PROGRAM [ARGUMENT...]   run, creating the prefix first if needed
#   wine-run.sh --start PREFIX ARCH                 only create the prefix
#   wine-run.sh --stop PREFIX                       end that prefix's wineserver
# ARCH is win32 or win64. Every Wine call is bounded by QUENOR_WINE_TIMEOUT
# seconds (default 600); the program's exit status is passed on, 124 after a
# time-out.
set -euo pipefail

limit=${QUENOR_WINE_TIMEOUT:-600}
export WINEDEBUG=-all
# No prompts to install the .NET or browser runtimes while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="

bounded() { timeout --kill-after=10 "$1" "${@:2}"; }

# Creating a prefix takes seconds, and tests may start in parallel: the first
# caller creates it under a lock, the others wait for it.
ensure_prefix() {
    local prefix=$1 arch=$2
    [ -f "$prefix/.ready" ] && return 0
    mkdir -p "$(dirname "$prefix")"
    exec 9>"$prefix.lock"
    flock 9
    if [ ! -f "$prefix/.ready" ]; then
        rm -rf "$prefix"
        WINEPREFIX=$prefix WINEARCH=$arch bounded 300 wine wineboot --init >/dev/null 2>&1
        # A crash prints its backtrace and ends the program; no dialog waits
        # for a click that never comes.
        WINEPREFIX=$prefix bounded 120 wine reg add 'HKCU\Software\Wine\WineDbg' \
            /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        touch "$prefix/.ready"
    fi
    flock -u 9
    exec 9>&-
}

case "${1:-}" in
--start)
    ensure_prefix "$2" "$3"
    ;;
--stop)
    [ -d "$2" ] && WINEPREFIX=$2 bounded 60 wineserver -k 2>/dev/null || true
    ;;
*)
    prefix=$1 arch=$2
    shift 2
    ensure_prefix "$prefix" "$arch"
    status=0
    WINEPREFIX=$prefix bounded "$limit" wine "$@" || status=$?
    exit $status
    ;;
esac

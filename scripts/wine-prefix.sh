#!/usr/bin/env bash
# Wine for one build folder (build/win64 or build/win32, configured): `start`
# makes the prefix inside it (once), starts a persistent wineserver, warms it
# up and keeps its desktop open; `stop` ends that wineserver and all it runs.
# The build's wine-run.sh names the Wine (wine64 or wine32) and the prefix.
#
# Wine closes a desktop about a second after the last program that uses it
# ends, and the next program opens it again. Tests running side by side meet
# those gaps: a program starting while the desktop closes cannot make its
# windows. A console program that waits on a pipe nobody writes to keeps the
# desktop in use from `start` to `stop`.
set -euo pipefail
if [ $# -ne 2 ] || { [ "$1" != start ] && [ "$1" != stop ]; }; then
    echo "usage: bash scripts/wine-prefix.sh start|stop BUILD_FOLDER   (build/win64 or build/win32)" >&2
    exit 1
fi
action=$1
[ -d "$2" ] || { echo "$2: no such build folder (run cmake --preset win64 or win32 first)" >&2; exit 1; }
build=$(cd "$2" && pwd)
run="$build/wine-run.sh"
[ -x "$run" ] || { echo "$build is not configured (no wine-run.sh): run cmake --preset first" >&2; exit 1; }
export WINEPREFIX="$build/wineprefix"
keeper_pipe="$build/wine-desktop-keeper"
case "$action" in
start)
    if [ ! -f "$WINEPREFIX/.torq7-ready" ]; then
        echo "making the Wine prefix in $WINEPREFIX"
        if ! "$run" wineboot -i </dev/null >"$build/wineboot.log" 2>&1; then
            echo "Wine could not make its prefix in $WINEPREFIX (see $build/wineboot.log)" >&2
            exit 1
        fi
        "$run" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.torq7-ready"
    fi
    wineserver -p >/dev/null 2>&1 || true  # already running for this prefix
    # the first process starts Wine's background services; let them settle here
    "$run" cmd /c exit </dev/null >/dev/null 2>&1
    if ! pgrep -f -- "--desktop-keeper=$keeper_pipe" >/dev/null; then
        rm -f "$keeper_pipe"
        mkfifo "$keeper_pipe"
        # opened for reading and writing: the read waits, and never sees an end
        "$run" cmd /c pause "--desktop-keeper=$keeper_pipe" <>"$keeper_pipe" >/dev/null 2>&1 &
    fi
    ;;
stop)
    wineserver -k >/dev/null 2>&1 || true
    rm -f "$keeper_pipe"
    ;;
esac

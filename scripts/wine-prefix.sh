#!/usr/bin/env bash
# Wine for one build folder (build/win64 or build/win32, configured): `start`
# makes the prefix inside it (once), starts a persistent wineserver and warms
# it up; `stop` ends that wineserver. The build's wine-run.sh names the Wine
# (wine64 or wine32) and the prefix.
set -euo pipefail
action=$1
build=$(cd "$2" && pwd)
run="$build/wine-run.sh"
[ -x "$run" ] || { echo "$build is not configured (no wine-run.sh): run cmake --preset first" >&2; exit 1; }
export WINEPREFIX="$build/wineprefix"
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
    ;;
stop)
    wineserver -k >/dev/null 2>&1 || true
    ;;
esac

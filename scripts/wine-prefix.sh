#!/usr/bin/env bash
# Wine for one build folder: `start` makes the prefix inside it (once), starts
# a persistent wineserver and warms it up; `stop` ends that wineserver.
set -euo pipefail
action=$1
build=$(cd "$2" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes code page 932 from LC_ALL; bash itself has no such locale.
wine() { LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 "$@"; }
case "$action" in
start)
    if [ ! -f "$WINEPREFIX/.torq7-ready" ]; then
        echo "making the Wine prefix in $WINEPREFIX"
        wine wineboot -i </dev/null >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.torq7-ready"
    fi
    wineserver -p >/dev/null 2>&1 || true  # already running for this prefix
    # the first process starts Wine's background services; let them settle here
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
stop)
    wineserver -k >/dev/null 2>&1 || true
    ;;
esac

#!/usr/bin/env bash
# Pictures of the library's dialogs, as a user sees them: each dialog is
# opened in the stand-in host (standin-host.exe --picture) under Wine's X11
# driver on a virtual display, and saved as docs/<TEMPLATE>.png when its
# pixels changed. A dialog that the library does not offer yet is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/win64
out=docs
dialogs=(Q7_DEVSEL TORQ7_ADDLG TORQ7_DIDLG TORQ7_DODLG TORQ7_DADLG TORQ7_ABOUT)

if [ "${1:-}" != --on-display ]; then
    bash scripts/setup.sh xvfb imagemagick fonts-ipafont-gothic fonts-wine
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target standin-host
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-display
fi

source scripts/screen-prefix.sh "$build"
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

mkdir -p "$out"
bin=$build/bin
for dialog in "${dialogs[@]}"; do
    status=0
    wine "$bin/standin-host.exe" --picture "$dialog" "$work/$dialog.bmp" </dev/null >"$work/$dialog.log" 2>&1 ||
        status=$?
    case $status in
    0)
        # Without time stamps, and only when a pixel changed: a dialog that
        # looks the same leaves its picture, and git, untouched.
        /usr/bin/convert "$work/$dialog.bmp" -define png:exclude-chunks=date,time +set date:create \
            +set date:modify "$work/$dialog.png"
        if [ -f "$out/$dialog.png" ] &&
            [ "$(/usr/bin/compare -metric AE "$work/$dialog.png" "$out/$dialog.png" null: 2>&1)" = 0 ]; then
            echo "$out/$dialog.png: unchanged"
        else
            cp "$work/$dialog.png" "$out/$dialog.png"
            echo "$out/$dialog.png"
        fi
        ;;
    3) echo "$dialog: skipped (the library does not open it yet)" ;;
    *)
        echo "$dialog: FAILED"
        cat "$work/$dialog.log"
        exit 1
        ;;
    esac
done

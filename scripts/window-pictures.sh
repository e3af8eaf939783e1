#!/usr/bin/env bash
# Pictures of the stand-in host's interactive window as a person uses it, on
# a virtual display with Wine's X11 driver: the board selection dialog over
# the window (docs/interactive-select.png), opened with the keys Alt+H, A on
# the demo's worksheet (whose modules use board #0, so the dialog offers
# board #1), and the window after it was chosen (docs/interactive-window.png).
# A picture is written only when a pixel changed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/win64
out=docs

if [ "${1:-}" != --on-display ]; then
    bash scripts/setup.sh xvfb imagemagick fonts-ipafont-gothic fonts-wine xdotool
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target standin-host
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-display
fi

source scripts/screen-prefix.sh "$build"
work=$(mktemp -d)
program=
trap '[ -z "$program" ] || kill "$program" 2>/dev/null; wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

# The demo's worksheet, so that the list shows modules; saved elsewhere, never over the demo's: the copy
# is not a worksheet the program stored, so replacing it is asked for.
cp "$build/bin/profiles/demo-worksheet.toml" "$work/sheet.toml"
sheet=$(wine winepath -w "$work/sheet.toml" 2>/dev/null)
wine "$build/bin/standin-host.exe" --interactive --worksheet "$sheet" --save "$sheet" --overwrite </dev/null \
    >"$work/window.log" 2>&1 &
program=$!

window=$(xdotool search --sync --onlyvisible --name "^Standin Host")
settle() { sleep 2; }   # Wine draws after the input is handled
settle
eval "$(xdotool getwindowgeometry --shell "$window")"

# The window's own area of the screen, without time stamps; kept only when a pixel changed.
picture() {
    /usr/bin/import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
        -define png:exclude-chunks=date,time "$work/$1"
    if [ -f "$out/$1" ] && [ "$(/usr/bin/compare -metric AE "$work/$1" "$out/$1" null: 2>&1)" = 0 ]; then
        echo "$out/$1: unchanged"
    else
        cp "$work/$1" "$out/$1"
        echo "$out/$1"
    fi
}

mkdir -p "$out"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT - 60))
xdotool windowfocus --sync "$window" || true
xdotool key alt+h
settle
xdotool key a
settle
# The dialog: the visible window beside the host's.
dialog=$(xdotool search --onlyvisible --name . | grep -vx "$window" | head -n 1)
picture interactive-select.png
# Without a window manager the keys go to the window given the focus.
xdotool windowfocus --sync "$dialog" || true
xdotool key Return
settle
picture interactive-window.png

#!/usr/bin/env bash
# The demonstration: runs Torq7m.dll in the stand-in host on the demo's board
# profile and worksheet (profiles/) for a few seconds and writes the recorded
# channels (CSV), the worksheet as stored again and a plot (scripts/plot-run.sh)
# into demo-output/ (demo-output-32/ for the 32-bit product, so that one run
# does not overwrite the other's).
#   bash scripts/demo.sh        the 64-bit test build under wine64
#   bash scripts/demo.sh --32   the 32-bit product (build/win32/bin/Torq7m.dll,
#                               the DLL a user installs) under wine32
#   --verbose                   also how the library bound itself to the host
#   DEMO_SECONDS  length of the measurement (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=win64
verbose=()
for argument in "$@"; do
    case "$argument" in
    --32) preset=win32 ;;
    --verbose) verbose=(--verbose) ;;
    *) echo "usage: bash scripts/demo.sh [--32] [--verbose]" >&2; exit 2 ;;
    esac
done
if [ "$preset" = win32 ] && ! why_not=$(bash scripts/runs-i386.sh -v); then
    echo "the 32-bit product cannot run on this machine: its kernel does not execute 32-bit x86 code ($why_not)" >&2
    exit 1
fi
# The 64-bit demo needs no 32-bit Wine.
setup_options=(--no-32)
[ "$preset" = win64 ] || setup_options=()
bash scripts/setup.sh "${setup_options[@]}"
if [ "$preset" = win32 ] && ! why_not=$(bash scripts/runs-wine32.sh -v); then
    echo "the 32-bit product cannot run on this machine: $why_not" >&2
    exit 1
fi
build=build/$preset
out=demo-output
[ "$preset" = win64 ] || out=demo-output-32
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target standin-host
bash scripts/wine-prefix.sh start "$build"
trap 'bash scripts/wine-prefix.sh stop "$build"' EXIT
objdump=x86_64-w64-mingw32-objdump
[ "$preset" = win64 ] || objdump=i686-w64-mingw32-objdump
echo "build: $build, Torq7m.dll is $("$objdump" -f "$build/bin/Torq7m.dll" | sed -n 's/.*file format //p')"

rm -rf "$out"
mkdir -p "$out"
"$build/wine-run.sh" "$build/bin/standin-host.exe" --board profiles/demo-board.toml \
    --worksheet profiles/demo-worksheet.toml --seconds "${DEMO_SECONDS:-3}" \
    --csv "$out" --save "$out/demo-worksheet.toml" "${verbose[@]}" </dev/null | tee "$out/run.log"

bash scripts/plot-run.sh "$out" "$out/demo.png" \
    "Torq7m.dll ($preset) in the stand-in host: profiles/demo-board.toml, profiles/demo-worksheet.toml" ||
    echo "no channels were recorded: no plot"

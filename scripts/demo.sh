#!/usr/bin/env bash
# The demonstration: runs Torq7m.dll in the stand-in host with the simulated
# board for a few seconds and writes the recorded channels (CSV), the
# worksheet and a plot into demo-output/.
#   bash scripts/demo.sh        the 64-bit test build under wine64
#   bash scripts/demo.sh --32   the 32-bit product (build/win32/bin/Torq7m.dll,
#                               the DLL a user installs) under wine32
#   DEMO_SECONDS  length of the measurement (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
"") preset=win64 ;;
--32) preset=win32 ;;
*) echo "usage: bash scripts/demo.sh [--32]" >&2; exit 2 ;;
esac
if [ "$preset" = win32 ] && ! why_not=$(bash scripts/runs-i386.sh -v); then
    echo "the 32-bit product cannot run on this machine: its kernel does not execute 32-bit x86 code ($why_not)" >&2
    exit 1
fi
bash scripts/setup.sh
build=build/$preset
out=demo-output
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target standin-host
bash scripts/wine-prefix.sh start "$build"
trap 'bash scripts/wine-prefix.sh stop "$build"' EXIT
objdump=x86_64-w64-mingw32-objdump
[ "$preset" = win64 ] || objdump=i686-w64-mingw32-objdump
echo "build: $build, Torq7m.dll is $("$objdump" -f "$build/bin/Torq7m.dll" | sed -n 's/.*file format //p')"

rm -rf "$out"
mkdir -p "$out"
"$build/wine-run.sh" "$build/bin/standin-host.exe" --seconds "${DEMO_SECONDS:-3}" \
    --csv "$out" --save "$out/demo.worksheet" </dev/null | tee "$out/run.log"

if [ ! -f "$out/AD-ch0.csv" ]; then
    echo "no channels were recorded (the library offers no module classes yet): no plot"
    exit 0
fi
terminal=pngcairo
gnuplot -e "set terminal" 2>&1 | grep -q pngcairo || terminal=png
gnuplot <<GNUPLOT
set terminal $terminal size 1200,1000
set output '$out/demo.png'
set datafile separator ','
set datafile columnheaders
set key outside right
set grid
set multiplot layout 3,1 title 'Torq7m.dll ($preset) in the stand-in host: simulated Torq-Q7 board, 1 ms per sample, blocks of 100'
set title 'analog input module: four channels (0..10 V range)'
set xlabel 'time (s)'
set ylabel 'V'
plot for [c=0:3] sprintf('$out/AD-ch%d.csv', c) using 1:2 with lines title sprintf('AD ch%d', c)
set title 'digital output driven by AD ch2, read back by the digital input module (port loopback)'
set yrange [-0.5:10.5]
plot '$out/AD-ch2.csv' using 1:2 with lines title 'AD ch2', \
     '$out/DIN-ch0.csv' using 1:2 with lines linewidth 2 title 'DIN ch0'
set title 'analog output codes written to the board (fed from AD ch0 and ch1, 0..10 V range)'
set autoscale y
set xlabel 'sample'
set ylabel 'code'
plot '$out/analog-out-ch0.csv' using 1:2 with lines title 'DA ch0', \
     '$out/analog-out-ch1.csv' using 1:2 with lines title 'DA ch1'
unset multiplot
GNUPLOT
echo "plot: $out/demo.png"

#!/usr/bin/env bash
# The demonstration: builds the 64-bit test build, runs Torq7m.dll in the
# stand-in host on the demo's board profile and worksheet (profiles/) for a
# few seconds and writes the recorded channels (CSV), the worksheet as stored
# again and a plot (scripts/plot-run.sh) into demo-output/.
#   DEMO_SECONDS  length of the measurement (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/win64
out=demo-output
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target standin-host
bash scripts/wine-prefix.sh start "$build"
trap 'bash scripts/wine-prefix.sh stop "$build"' EXIT

rm -rf "$out"
mkdir -p "$out"
"$build/wine-run.sh" "$build/bin/standin-host.exe" --board profiles/demo-board.toml \
    --worksheet profiles/demo-worksheet.toml --seconds "${DEMO_SECONDS:-3}" \
    --csv "$out" --save "$out/demo-worksheet.toml" </dev/null | tee "$out/run.log"

bash scripts/plot-run.sh "$out" "$out/demo.png" \
    'Torq7m.dll in the stand-in host: profiles/demo-board.toml, profiles/demo-worksheet.toml' ||
    echo "no channels were recorded (the library offers no module classes yet): no plot"

#!/usr/bin/env bash
# Builds the product (32-bit) and the test build (64-bit), checks the product
# statically and runs the whole suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
start=$(date +%s)
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
cmake --build --preset win64
bash scripts/wine-prefix.sh start build/win64
trap 'bash scripts/wine-prefix.sh stop build/win64' EXIT
status=0
ctest --preset win32 || status=1
ctest --preset win64 -j2 || status=1
echo "total time: $(( $(date +%s) - start )) s"
exit $status

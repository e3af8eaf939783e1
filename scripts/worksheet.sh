#!/usr/bin/env bash
# Prepares a worksheet with the library's real dialogs before any board
# exists: the stand-in host's window on this display, with the simulated
# driver (two boards). Place modules from the HALDEN menu, double-click a
# module for its settings dialog; Save stores the worksheet and, beside it,
# the boards (FILE.board.toml); closing with changes asks whether to save.
#   bash scripts/worksheet.sh FILE.toml [--overwrite]   (restored first when it exists;
#   --overwrite lets Save replace a FILE.board.toml that the session did not write)
set -euo pipefail
worksheet=${1:?usage: worksheet.sh FILE.toml [--overwrite]}
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
    echo "no display (DISPLAY is not set): the host's window needs one"
    exit 1
fi
build=build/win64
bash scripts/setup.sh fonts-ipafont-gothic fonts-wine
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target standin-host
source scripts/screen-prefix.sh "$build"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
path=$(realpath -m "$worksheet")
restore=()
[ -f "$path" ] && restore=(--worksheet "$(wine winepath -w "$path" 2>/dev/null)")
wine "$build/bin/standin-host.exe" --interactive "${restore[@]}" --save "$(wine winepath -w "$path" 2>/dev/null)" "${@:2}"

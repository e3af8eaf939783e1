#!/usr/bin/env bash
# The product as a user receives it: packs the built 32-bit product
# (build/win32) into build/win32/package/Torq7m-<version>-win32.zip, with the
# ZIP's SHA-256 checksum beside it, then unpacks the ZIP and checks what a user
# gets: the DLL's checksum, the DLL is the one the tests ran, and the
# product's static checks on the packaged DLL.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/win32
[ -f "$build/CPackConfig.cmake" ] || { echo "build the product first: cmake --preset win32 && cmake --build --preset win32" >&2; exit 1; }
cmake --build "$build"
(cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
zip=$(pwd)/$build/package/$name.zip
(cd "$(dirname "$zip")" && sha256sum -c "$(basename "$zip").sha256")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip")
folder=$work/$name
echo "contents of $zip:"
(cd "$folder" && ls -l)
(cd "$folder" && sha256sum -c SHA256SUMS.txt)
cmp "$folder/Torq7m.dll" "$build/bin/Torq7m.dll"
echo "the packaged Torq7m.dll is the tested one"
bash tests/product_static_checks.sh "$folder/Torq7m.dll"
echo "package: $zip"

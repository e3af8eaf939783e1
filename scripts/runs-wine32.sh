#!/usr/bin/env bash
# Exits 0 if the 32-bit programs can run here: the kernel executes 32-bit x86
# code (scripts/runs-i386.sh) and 32-bit Wine is installed. A machine whose
# package mirror could not provide wine32:i386 answers no, with the reason.
#   bash scripts/runs-wine32.sh [-v]   -v prints the reason on a no
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
why=$(bash "$here/runs-i386.sh" -v) || { [ "${1:-}" = -v ] && echo "this machine's kernel cannot execute 32-bit x86 code ($why)"; exit 1; }
if [ ! -x /usr/lib/wine/wine ]; then
    [ "${1:-}" = -v ] && echo "32-bit Wine (wine32:i386) is not installed; scripts/setup.sh could not install it"
    exit 1
fi
exit 0

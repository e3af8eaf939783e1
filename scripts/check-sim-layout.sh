#!/usr/bin/env bash
# Checks the layout of sim/: every include runs one way, down the floors
# below, and no file is over 400 lines. Prints each breach and exits 1.
#   bash scripts/check-sim-layout.sh [source folder]
# A header of the file's own folder is included by its bare name; every other
# project header by its path from the tree's top. A folder includes only
# folders on a lower floor: a folder of the same floor is a neighbour, not a
# part it is built on.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# floor folder: from the library's records at the bottom to the program's
# front end at the top.
floors='
0 torq7m/board
0 torq7m/host
0 torq7m/modules
0 torq7m/res
1 sim/control
1 sim/text
2 sim/profile
3 sim/driver
3 sim/driver/tests
3 sim/host/storage
4 sim/host/binding
4 sim/host/record
5 sim/host/worksheet
6 sim/host/standin
7 sim/host/run
7 sim/host/screen
8 sim/host
'
floor_of() {
    awk -v folder="$1" '$2 == folder { print $1 }' <<<"$floors"
}

breaches=0
breach() {
    echo "$*"
    breaches=$((breaches + 1))
}

while IFS= read -r file; do
    folder=$(dirname "$file")
    own=$(floor_of "$folder")
    if [ -z "$own" ]; then
        breach "$file: its folder $folder has no floor: add it to the list of floors in scripts/check-sim-layout.sh"
        continue
    fi
    lines=$(wc -l <"$file")
    [ "$lines" -le 400 ] || breach "$file: $lines lines, more than 400: split it by job into files of the same folder"
    while IFS=: read -r line included; do
        if [ -f "$folder/$included" ] && [ "${included#*/}" = "$included" ]; then
            continue   # the file's own folder
        fi
        if [ ! -f "$included" ]; then
            breach "$file:$line: \"$included\" is neither beside it nor a path from the tree's top"
            continue
        fi
        target=$(dirname "$included")
        if [ "$target" = "$folder" ]; then
            breach "$file:$line: \"$included\" lies beside it: include it by its bare name"
            continue
        fi
        theirs=$(floor_of "$target")
        if [ -z "$theirs" ]; then
            breach "$file:$line: \"$included\" is in $target, which sim/ does not build on"
        elif [ "$theirs" -ge "$own" ]; then
            breach "$file:$line: \"$included\" ($target, floor $theirs) is not below $folder (floor $own):" \
                "move what it needs down to a floor below, or the code that needs it up (floors: scripts/check-sim-layout.sh)"
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" | sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(find sim -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$breaches" -ne 0 ]; then
    echo "the layout of sim/ is breached $breaches time(s): see the lines above"
    exit 1
fi
echo "sim/: every include runs down, every file within 400 lines"

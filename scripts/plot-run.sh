#!/usr/bin/env bash
# Turns a CSV folder written by standin-host.exe (--csv DIR) into one PNG
# with a panel per module: its recorded channels over time, or for an analog
# output module the codes its outputs received, one per driver call.
#   usage: bash scripts/plot-run.sh DIR [OUT.png] [TITLE]
set -euo pipefail
dir=${1:?usage: plot-run.sh DIR [OUT.png] [TITLE]}
out=${2:-$dir/run.png}
title=${3:-"stand-in host run: $(basename "$dir")"}
command -v gnuplot >/dev/null || { echo "gnuplot is missing: bash scripts/setup.sh installs it"; exit 1; }

# Files are named <module>-ch<N>.csv (time_s,value) and <module>-codes-ch<N>.csv
# (index,code); a file without rows has nothing to draw.
shopt -s nullglob
declare -A groups=()
order=()
for file in "$dir"/*.csv; do
    [ "$(wc -l <"$file")" -ge 2 ] || continue
    name=$(basename "$file" .csv)
    group=${name%-ch*}
    [ -n "${groups[$group]:-}" ] || order+=("$group")
    groups[$group]+="$file"$'\n'
done
if [ ${#order[@]} -eq 0 ]; then
    echo "no recorded channels in $dir: no plot"
    exit 1
fi

terminal=pngcairo
gnuplot -e "set terminal" 2>&1 | grep -q pngcairo || terminal=png
{
    echo "set terminal $terminal size 1200,$((250 * ${#order[@]} + 80))"
    echo "set output '$out'"
    echo "set datafile separator ','"
    echo "set key outside right"
    echo "set grid"
    echo "set offsets graph 0, 0, 0.05, 0.05"
    echo "set multiplot layout ${#order[@]},1 title '$title'"
    for group in "${order[@]}"; do
        plot=""
        while IFS= read -r file; do
            [ -n "$file" ] || continue
            channel=$(basename "$file" .csv)
            plot+="${plot:+, }'$file' using 1:2 skip 1 with lines title '${channel##*-}'"
            header=$(head -n 1 "$file")
        done <<<"${groups[$group]}"
        if [[ $header == index,code* ]]; then
            echo "set title '$group: codes received by the analog outputs'"
            echo "set xlabel 'driver call'"
            echo "set ylabel 'code'"
        else
            echo "set title '$group'"
            echo "set xlabel 'time (s)'"
            echo "set ylabel 'V'"
        fi
        echo "plot $plot"
    done
    echo "unset multiplot"
} | gnuplot
echo "plot: $out"

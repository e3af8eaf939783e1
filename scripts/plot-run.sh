#!/usr/bin/env bash
# Turns a CSV folder written by standin-host.exe (--csv DIR) into one PNG
# with a panel per module: its recorded channels over time, named as the
# module's settings name them; digital lines stacked one above the other as
# a logic analyser shows them; for an analog output module the codes its
# outputs received, one per driver call.
#   usage: bash scripts/plot-run.sh DIR [OUT.png] [TITLE]
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 3 ]; then
    echo "usage: bash scripts/plot-run.sh DIR [OUT.png] [TITLE]   (DIR: the folder of a run's --csv)"
    exit 1
fi
dir=$1
out=${2:-$dir/run.png}
title=${3:-"stand-in host run: $(basename "$dir")"}
command -v gnuplot >/dev/null || { echo "gnuplot is missing: bash scripts/setup.sh installs it"; exit 1; }
[ -d "$dir" ] || { echo "$dir: no such folder (give the folder of a run's --csv)"; exit 1; }
# gnuplot writes the picture to the terminal when it cannot open its file.
out_dir=$(dirname "$out")
mkdir -p "$out_dir" 2>/dev/null || true
[ -d "$out_dir" ] && [ -w "$out_dir" ] || { echo "$out: its folder $out_dir cannot be made or written"; exit 1; }

# A text as a gnuplot string: single quotes, a quote inside doubled.
quote() { printf "'%s'" "${1//\'/\'\'}"; }

# channels.tsv lists the run's files in order, each with its kind (analog,
# digital, codes, port) and its module's name: only those are drawn, so files
# an earlier run left in the folder stay out. Without it (an older folder)
# every CSV file is drawn, grouped by the module part of its name
# (<module>-ch<N>.csv, <module>-codes-ch<N>.csv); a file of codes is told by
# its header and the rest is analog. A file without rows has nothing to draw.
declare -A kinds=() groups=()
order=()
# The module part of a file's name, for a folder whose list names no module.
group_of() {
    local name=${1%.csv}
    name=${name%-ch*}
    echo "${name%-codes}"
}
add_file() {
    local file=$1 group=$2
    [ -f "$file" ] && [ "$(wc -l <"$file")" -ge 2 ] || return 0
    [ -n "${groups[$group]:-}" ] || order+=("$group")
    groups[$group]+="$file"$'\n'
}
if [ -f "$dir/channels.tsv" ]; then
    while IFS=$'\t' read -r file kind module; do
        [ -n "$file" ] || continue
        kinds[$file]=$kind
        add_file "$dir/$file" "${module:-$(group_of "$file")}"
    done <"$dir/channels.tsv"
else
    shopt -s nullglob
    for file in "$dir"/*.csv; do
        add_file "$file" "$(group_of "$(basename "$file")")"
    done
fi
if [ ${#order[@]} -eq 0 ]; then
    echo "no recorded channels in $dir: no plot"
    exit 1
fi

kind_of() {
    local file=$1 kind=${kinds[$(basename "$1")]:-}
    if [ -z "$kind" ]; then
        [[ $(head -n 1 "$file") == index,code* ]] && kind=codes || kind=analog
    fi
    echo "$kind"
}

# The channel names are half-width katakana: without a font that has them,
# gnuplot draws black boxes in their place.
if command -v fc-list >/dev/null && [ -z "$(fc-list :lang=ja family)" ]; then
    echo "no Japanese font: the channel names will be black boxes (bash scripts/setup.sh installs fonts-ipafont-gothic)"
fi
terminal=pngcairo
gnuplot -e "set terminal" 2>&1 | grep -q pngcairo || terminal=png
{
    echo "set terminal $terminal size 1200,$((250 * ${#order[@]} + 80))"
    echo "set output $(quote "$out")"
    echo "set datafile separator ','"
    echo "set key outside right noenhanced"
    echo "set grid"
    echo "set multiplot layout ${#order[@]},1 title $(quote "$title") noenhanced"
    for group in "${order[@]}"; do
        plot=""
        ytics=""
        lane=0
        kind=analog
        while IFS= read -r file; do
            [ -n "$file" ] || continue
            kind=$(kind_of "$file")
            label=$(head -n 1 "$file" | cut -d, -f2-)
            case $kind in
            digital | port)
                # One lane per line: 0 V at the lane's foot, 5 V near its top.
                plot+="${plot:+, }$(quote "$file") using 1:(\$2 / 5 * 0.7 + $lane) skip 1 with steps title $(quote "$label")"
                ytics+="${ytics:+, }$(quote "$label") $lane.35"
                lane=$((lane + 1))
                ;;
            codes)
                plot+="${plot:+, }$(quote "$file") using 1:2 skip 1 with lines title $(quote "$label")"
                ;;
            *)
                plot+="${plot:+, }$(quote "$file") using 1:2 skip 1 with lines title $(quote "$label")"
                ;;
            esac
        done <<<"${groups[$group]}"
        case $kind in
        digital | port)
            if [ "$kind" = port ]; then
                echo "set title $(quote "$group: the output port's lines after each write (low, high)") noenhanced"
                echo "set xlabel 'port write'"
            else
                echo "set title $(quote "$group: digital lines (low, high)") noenhanced"
                echo "set xlabel 'time (s)'"
            fi
            echo "set ylabel ''"
            echo "set yrange [-0.2:$lane]"
            echo "set ytics ($ytics)"
            echo "set offsets 0, 0, 0, 0"
            ;;
        codes)
            echo "set title $(quote "$group: codes received by the analog outputs") noenhanced"
            echo "set xlabel 'driver call'"
            echo "set ylabel 'code'"
            ;;
        *)
            echo "set title $(quote "$group") noenhanced"
            echo "set xlabel 'time (s)'"
            echo "set ylabel 'V'"
            ;;
        esac
        [ "$kind" = digital ] || [ "$kind" = port ] || echo "set autoscale y; set ytics autofreq; set offsets graph 0, 0, 0.05, 0.05"
        echo "plot $plot"
    done
    echo "unset multiplot"
    # A constant channel has an empty y range, which gnuplot widens with a
    # warning that says nothing wrong; any other message of gnuplot is shown.
} | gnuplot 2>&1 | { grep -v -e 'empty y range' -e '^$' || true; }
echo "plot: $out"

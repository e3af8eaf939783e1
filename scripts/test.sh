#!/usr/bin/env bash
# Builds both builds and runs the whole suite twice: as 64-bit code under
# wine64 (build/win64) and as 32-bit code under wine32 against the product
# build itself (build/win32, the very Torq7m.dll a user installs), with the
# product's static checks; then packs the product and checks the packaged DLL.
# Where the kernel cannot execute 32-bit x86 code, or 32-bit Wine could not be
# installed, the 32-bit suite is not run and the last line says so; everywhere
# else any failure fails the run.
#   TEST_JOBS  parallel tests per suite (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=${TEST_JOBS:-2}
started=$(date +%s)
timings=()
status=0

# timed "what" command...: runs the command and notes how long it took.
timed() {
    local what=$1 from=$SECONDS
    shift
    "$@"
    timings+=("$what: $((SECONDS - from)) s")
}

# suite preset title: runs one build's tests, keeping ctest's output in the
# build folder for the summary.
counts=()
passed=0
failed=0
# wine_fault log number: whether test `number` failed in a way that only
# Wine explains: its process printed that all its cases passed and then died
# of a signal or did not end in time, or it printed nothing at all (not even
# the test framework's first line, so the program never ran).
wine_fault() {
    awk -v number="$2" '
        $0 ~ "Test +#" number ":" { inside = ($0 ~ /\*\*\*(Exception|Timeout|Failed)/); if (inside) { seen = 1; exited = ($0 !~ /\*\*\*Failed/) }; next }
        inside && /Test +#[0-9]+:|Start +[0-9]+:/ { inside = 0 }
        inside && NF > 0 { printed = 1 }
        inside && /\[  PASSED  \]/ { passed = 1 }
        inside && /\[  FAILED  \]/ { failed = 1 }
        END { exit !(seen && ((exited && passed && !failed) || (!exited && !printed))) }' "$1"
}

# rerun_wine_faults preset log: when every failure of the run is such a
# Wine fault, runs those tests once more, says so, and makes the log's
# closing count the count after the rerun.
rerun_wine_faults() {
    local preset=$1 log=$2 numbers=() number
    while read -r number; do
        wine_fault "$log" "$number" || return 1
        numbers+=("$number")
    done < <(sed -n '/^The following tests FAILED:/,$p' "$log" | sed -n 's/^[[:space:]]*\([0-9]\+\) - .*/\1/p')
    [ ${#numbers[@]} -gt 0 ] || return 1
    for number in "${numbers[@]}"; do
        echo "test $number: Wine crashed or hung as its process exited after its cases passed, or the process never ran: running it once more"
        ctest --preset "$preset" -I "$number,$number" >>"$log.rerun" 2>&1 || return 1
    done
    local total
    total=$(grep -oE 'tests failed out of [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+$')
    echo "the rerun passed, so the run counts as:"
    echo "100% tests passed, 0 tests failed out of $total" | tee -a "$log"
}

suite() {
    local preset=$1 title=$2 log=build/$1/ctest.log result
    echo
    echo "=== $title ==="
    rm -f "$log.rerun"
    if ctest --preset "$preset" -j"$jobs" 2>&1 | tee "$log"; then :;
    elif rerun_wine_faults "$preset" "$log"; then :;
    else status=1; fi
    result=$(grep -E '^[0-9]+% tests passed' "$log" | tail -1)
    counts+=("$title: ${result:-no tests ran}")
    [ -n "$result" ] || status=1
    if [[ $result =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
        failed=$((failed + BASH_REMATCH[1]))
        passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    fi
}

runs_i386=1
why_not=$(bash scripts/runs-wine32.sh -v) || runs_i386=0

timed "build win32 (product)" bash -c 'cmake --preset win32 >/dev/null && cmake --build --preset win32'
timed "build win64 (tests)" bash -c 'cmake --preset win64 >/dev/null && cmake --build --preset win64'

prefixes=(build/win64)
[ "$runs_i386" -eq 0 ] || prefixes+=(build/win32)
stop_wine() { for p in "${prefixes[@]}"; do bash scripts/wine-prefix.sh stop "$p"; done; }
trap stop_wine EXIT

timed "wine64 prefix" bash scripts/wine-prefix.sh start build/win64
timed "64-bit suite under wine64" suite win64 "64-bit test build (build/win64) under wine64"
if [ "$runs_i386" -eq 1 ]; then
    timed "wine32 prefix" bash scripts/wine-prefix.sh start build/win32
    timed "32-bit suite under wine32" suite win32 "32-bit product (build/win32) under wine32, with its static checks"
else
    timed "32-bit static checks" suite win32 "32-bit product (build/win32): static checks only"
fi
echo
echo "=== the product as a user receives it ==="
if timed "package" bash scripts/package.sh; then :; else status=1; fi

echo
echo "=== summary ==="
printf '%s\n' "${counts[@]}"
printf 'time, %s\n' "${timings[@]}"
echo "total time: $(( $(date +%s) - started )) s"
echo "tests: $passed passed, $failed failed"
if [ "$runs_i386" -eq 0 ]; then
    echo "!!! 32-BIT SUITE NOT RUN: $why_not; only the 64-bit suite and the product's static checks ran !!!"
fi
exit $status

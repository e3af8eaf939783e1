#!/usr/bin/env bash
# The product as a user receives it: packs the built 32-bit product
# (build/win32) into build/win32/package/Torq7m-<version>-win32.zip, with the
# ZIP's SHA-256 checksum beside it, then unpacks the ZIP and checks what a user
# gets: exactly the product's files, their checksums, the DLL and the program
# are the ones the tests ran, the static checks on both (no debug sections
# among them), and the installation notes in English and in Japanese. Prints
# one summary line, or every failed check and the output that explains it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/win32
[ -f "$build/CPackConfig.cmake" ] || { echo "build the product first: cmake --preset win32 && cmake --build --preset win32" >&2; exit 1; }

expected_files=(README-install-ja.txt README-install.txt SHA256SUMS.txt Torq7Check.exe Torq7m.dll)
# Per notes file: the troubleshooting section's heading.
declare -A troubleshooting=([README-install.txt]="When something does not work"
                            [README-install-ja.txt]="うまく動かないとき")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log=$work/log
failures=0
passed=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { # check "description" command...: quiet unless it fails
    local what=$1
    shift
    if "$@" >"$log" 2>&1; then passed=$((passed + 1)); else fail "$what"; cat "$log"; fi
}
must() { # must "description" command...: a step that everything after needs
    check "$@"
    [ "$failures" -eq 0 ] || exit 1
}

must "build $build" cmake --build "$build"
must "cpack" bash -c "cd '$build' && cpack --config CPackConfig.cmake"
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
zip=$(pwd)/$build/package/$name.zip
must "the ZIP's checksum" bash -c "cd '$(dirname "$zip")' && sha256sum -c '$(basename "$zip").sha256'"
must "unpack the ZIP" bash -c "cd '$work' && cmake -E tar xf '$zip'"
folder=$work/$name

files=$(cd "$folder" && ls | sort | paste -sd ' ' -)
check "the ZIP holds exactly ${expected_files[*]} (found: $files)" test "$files" = "${expected_files[*]}"
check "the files' checksums (SHA256SUMS.txt)" bash -c "cd '$folder' && sha256sum -c SHA256SUMS.txt"
for product in Torq7m.dll Torq7Check.exe; do
    check "the packaged $product is the tested one" cmp "$folder/$product" "$build/bin/$product"
    check "static checks of $product" bash tests/product_static_checks.sh "$folder/$product"
done

# --- the installation notes ------------------------------------------------------
english=$folder/README-install.txt
japanese=$folder/README-install-ja.txt
# Both hold Japanese text (the English notes quote the messages): Notepad on a
# Japanese Windows reads them as UTF-8 only with the mark.
for notes in "$english" "$japanese"; do
    check "$(basename "$notes") starts with a UTF-8 byte order mark" \
        test "$(head -c 3 "$notes" | od -An -tx1 | tr -d ' ')" = efbbbf
    check "$(basename "$notes") is UTF-8" iconv -f UTF-8 -t UTF-8 "$notes" -o /dev/null
done

# The lines of a section: after its heading and underline, up to the next heading.
section() { # section file heading
    sed 's/\r$//; 1s/^\xef\xbb\xbf//' "$1" | awk -v heading="$2" '
        { line[NR] = $0 }
        END {
            for (i = 1; i < NR; i++)
                if (line[i] == heading && line[i + 1] ~ /^-+$/) { start = i + 2; break }
            for (i = start; start && i <= NR; i++) {
                if (line[i] != "" && line[i + 1] ~ /^-+$/) break
                print line[i]
            }
        }'
}
# Quoted texts ("..."), each once, sorted; headings quoted in a notes file
# are its own language's.
quoted() { sed 's/\r$//' "$1" | grep -o '"[^"]*"' | grep -v '^"When something' | sort -u; }
# Command lines shown to be typed.
commands() { sed 's/\r$//' "$1" | grep -E '^  (certutil|Torq7Check\.exe) -' | sort; }
# Torq7Check.exe's exit codes, each with the program's words for it as its
# last line prints them: "<code><TAB><Japanese><TAB><English>".
exit_code_words=$(awk '
    /^ *kExit[A-Za-z]* = [0-9]+,$/ { name = $1; value = $3; sub(/,/, "", value); code[name] = value }
    /^ *\{kExit[A-Za-z]*, "/ {
        name = $1; sub(/^\{/, "", name); sub(/,$/, "", name)
        text = $0; sub(/^[^"]*"/, "", text); sub(/"[^"]*$/, "", text)
        open = index(text, " ("); rest = substr(text, open + 2)
        printf "%s\t%s\t%s\n", code[name], substr(text, 1, open - 1), substr(rest, 1, index(rest, ")") - 1)
    }' torq7check/ExitCodes.h)
exit_codes=$(cut -f1 <<<"$exit_code_words")
# The entry of one exit code in a notes file's list, its lines joined.
code_entry() { # code_entry body code
    awk -v code="$2" '$0 ~ "^  " code "  " { on = 1; printf "%s", $0; next }
                      on && /^     [^ ]/ { sub(/^ +/, " "); printf "%s", $0; next }
                      { on = 0 }' <<<"$1"
}

for notes in "$english" "$japanese"; do
    base=$(basename "$notes")
    heading=${troubleshooting[$base]}
    body=$(section "$notes" "$heading")
    check "$base names the menu \"HALDEN\"" grep -q '"HALDEN"' "$notes"
    check "$base: troubleshooting ($heading) starts with \"run Torq7Check.exe\"" \
        grep -q 'run Torq7Check\.exe' <<<"$(grep -m1 . <<<"$body")"
    # Each code with the program's words for it: English first in the English
    # notes, Japanese first in the Japanese ones, the other in brackets.
    while IFS=$'\t' read -r code ja en; do
        words="$ja ($en)"
        [ "$base" = README-install-ja.txt ] || words="$en ($ja)"
        check "$base: troubleshooting lists exit code $code of Torq7Check.exe as \"$words\"" \
            grep -qF "  $code  $words" <<<"$(code_entry "$body" "$code")"
    done <<<"$exit_code_words"
    listed=$(grep -Eo '^  [0-9]+  ' <<<"$body" | tr -d ' ' | sort -n | paste -sd ' ' -)
    check "$base lists exactly the exit codes of Torq7Check.exe ($(paste -sd ' ' <<<"$exit_codes"); listed: $listed)" \
        test "$listed" = "$(sort -n <<<"$exit_codes" | paste -sd ' ' -)"
done
check "both notes quote the same messages and names (only in English: $(comm -23 <(quoted "$english") <(quoted "$japanese") | paste -sd ' ' -))" \
    test -z "$(comm -23 <(quoted "$english") <(quoted "$japanese"))"
check "both notes show the same commands" diff <(commands "$english") <(commands "$japanese")

if [ "$failures" -ne 0 ]; then
    echo "package: $failures check(s) failed: $zip"
    exit 1
fi
echo "package: $zip ($(paste -sd ' ' <<<"$files" | sed 's/ /, /g')): $passed checks passed"

#!/usr/bin/env bash
# Static checks of the 32-bit product, read off the files themselves: what the
# host's loader and a machine without the compiler's runtime would see.
#   bash tests/product_static_checks.sh path/to/Torq7m.dll
#   bash tests/product_static_checks.sh path/to/Torq7Check.exe
# The program gets the checks that do not concern a plug-in: its format, its
# imports and no debug sections. Prints one "ok: ..." or "FAIL: ..." line per
# check; exits 1 on any failure.
set -uo pipefail

dll=${1:?usage: product_static_checks.sh path/to/Torq7m.dll or Torq7Check.exe}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

# Exports the host looks up: "ordinal name", undecorated.
expected_exports=("1 WEP" "2 FinishVireoDLL" "3 SetupVireoDLL")

# Imports allowed: system DLLs only (extended regular expressions, matched
# case-insensitively against the whole name).
allowed_imports=('kernel32\.dll' 'user32\.dll' 'gdi32\.dll' 'msvcrt\.dll' 'advapi32\.dll'
                 'api-ms-win-crt-[a-z0-9-]+\.dll')

# DllCharacteristics bits required: "name mask".
required_dll_characteristics=("DYNAMIC_BASE 0x0040" "NX_COMPAT 0x0100")

# Resources: "type|name|language|detail". Bitmaps carry their size, depth and
# compression, strings their text; the library loads all of them as Japanese.
expected_resources=(
    "VERSION|1|0x411|"
    "DIALOG|Q7_DEVSEL|0x411|"
    "BITMAP|ICO_Q7AD|0x411|26x24 4bpp BI_RGB"
    "BITMAP|ICO_Q7DI|0x411|26x24 4bpp BI_RGB"
    "BITMAP|ICO_Q7DO|0x411|26x24 4bpp BI_RGB"
    "BITMAP|ICO_Q7DA|0x411|26x24 4bpp BI_RGB"
    "BITMAP|BMP_Q7AD|0x411|64x46 4bpp BI_RGB"
    "BITMAP|BMP_Q7DI|0x411|64x46 4bpp BI_RGB"
    "BITMAP|BMP_Q7DO|0x411|64x46 4bpp BI_RGB"
    "BITMAP|BMP_Q7DA|0x411|64x46 4bpp BI_RGB"
    "STRING|3950|0x411|Torq-Q7 AD"
    "STRING|3951|0x411|Torq-Q7 DA"
    "STRING|3953|0x411|Torq-Q7 DIN"
    "STRING|3954|0x411|Torq-Q7 DOUT"
    "STRING|3955|0x411|Q7DIN"
    "STRING|3956|0x411|Q7AD"
    "STRING|3957|0x411|Q7DA"
    "STRING|3958|0x411|Q7DO"
)

# The vendor menu and the about box. A menu is one line of its items
# ("POPUP caption: id text; ..."); a dialog is a line of its frame
# ("width x height at x,y style font points face caption text") and a
# DIALOGITEM line per control ("id class style x,y,width,height text").
#   DS_MODALFRAME|WS_POPUP|WS_CAPTION|WS_SYSMENU|DS_SETFONT = 0x80c800c0
#   WS_CHILD|WS_VISIBLE|WS_TABSTOP|BS_DEFPUSHBUTTON         = 0x50010001
#   WS_CHILD|WS_VISIBLE|WS_GROUP|SS_CENTER / SS_LEFT        = 0x50020001 / 0x50020000
expected_resources+=(
    "STRING|3952|0x411|Torq-Q7 Module Version 1.00"
    "MENU|UX1_MENU|0x411|POPUP HALDEN: 2951 Torq-Q7 &AD; 2952 Torq-Q7 &DA; 2953 Torq-Q7 D-&In; 2954 Torq-Q7 D-&Out"
    "DIALOG|TORQ7_ABOUT|0x411|149x75 at 0,0 style 0x80c800c0 font 9 ＭＳ Ｐゴシック caption このﾓｼﾞｭｰﾙについて"
    "DIALOGITEM|TORQ7_ABOUT|0x411|1 BUTTON 0x50010001 49,55,50,14 OK"
    "DIALOGITEM|TORQ7_ABOUT|0x411|1007 STATIC 0x50020001 7,14,135,8 Static"
    "DIALOGITEM|TORQ7_ABOUT|0x411|65535 STATIC 0x50020000 8,25,132,8 Copyright (C) 株式会社ハルデン"
)

failures=0
ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { # check "description" command...
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

if ! headers=$("$objdump" -p "$dll" 2>&1) || ! sections=$("$objdump" -h "$dll" 2>&1); then
    fail "$objdump cannot read $dll: $headers"
    exit 1
fi

# --- file format -------------------------------------------------------------
check "file format pei-i386" grep -q 'file format pei-i386$' <<<"$headers"
check "optional header Magic 010b (PE32)" grep -Eq '^Magic[[:space:]]+010b' <<<"$headers"

# --- imports -----------------------------------------------------------------
imports=$(awk '/^\tDLL Name:/ { print $3 }' <<<"$headers")
allowed_regex="^($(IFS='|'; echo "${allowed_imports[*]}"))\$"
check "imports KERNEL32.dll" grep -qix 'kernel32\.dll' <<<"$imports"
while read -r name; do
    [ -n "$name" ] || continue
    check "import $name is a system DLL" grep -Eqi "$allowed_regex" <<<"$name"
done <<<"$imports"

# --- debug sections ------------------------------------------------------------
debug_sections=$(awk '$2 ~ /^\.debug/ { printf "%s%s", sep, $2; sep = ", " }' <<<"$sections")
check "no debug sections${debug_sections:+ (found: $debug_sections)}" test -z "$debug_sections"

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
    exit 0
}
[[ $dll != *.exe ]] || finish

# --- exports -----------------------------------------------------------------
# The name table lists 0-based indexes into the address table: ordinal = index + base.
ordinal_base=$(awk '/^Ordinal Base/ { print $3; exit }' <<<"$headers")
address_count_hex=$(awk '/^\tExport Address Table[[:space:]]+[0-9a-f]+$/ { print $4; exit }' <<<"$headers")
address_count=${address_count_hex:+$((16#$address_count_hex))}
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
          awk -v base="${ordinal_base:-0}" -F'[][]' '/^\t\[/ { gsub(/ /, "", $2); sub(/^ +/, "", $3); print $2 + base, $3 }')
export_count=$(grep -c . <<<"$exports")
check "exactly ${#expected_exports[@]} exports, all by name (found ${address_count:-no} addresses, names: $(awk '{ printf "%s%s=%s", sep, $2, $1; sep = ", " }' <<<"$exports"))" \
    test "$export_count" -eq "${#expected_exports[@]}" -a "${address_count:-0}" -eq "${#expected_exports[@]}"
for entry in "${expected_exports[@]}"; do
    found=$(awk -v name="${entry#* }" '$2 == name { print $1 }' <<<"$exports")
    check "export ${entry#* } at ordinal ${entry%% *} (found: ${found:-none})" test "$found" = "${entry%% *}"
done

# --- relocation and DEP ------------------------------------------------------
characteristics_hex=$(awk '/^DllCharacteristics/ { print $2; exit }' <<<"$headers")
characteristics=$((16#${characteristics_hex:-0}))
for entry in "${required_dll_characteristics[@]}"; do
    check "DllCharacteristics include ${entry% *}" test $((characteristics & ${entry#* })) -ne 0
done
check "has a .reloc section" grep -Eq '^ +[0-9]+ \.reloc +0*[1-9a-f]' <<<"$sections"

# --- resources ---------------------------------------------------------------
# One "type|name|language|detail" line per resource; a string table block
# becomes one line per non-empty string (string n lives in block n / 16 + 1).
resources=$(python3 - "$dll" <<'PY'
import struct
import sys

TYPES = {2: "BITMAP", 4: "MENU", 5: "DIALOG", 6: "STRING", 16: "VERSION"}
CONTROL_CLASSES = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC", 0x83: "LISTBOX", 0x84: "SCROLLBAR",
                   0x85: "COMBOBOX"}
COMPRESSIONS = {0: "BI_RGB", 1: "BI_RLE8", 2: "BI_RLE4", 3: "BI_BITFIELDS"}

image = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", image, 0x3C)[0]
section_count, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
optional = pe + 24
magic = struct.unpack_from("<H", image, optional)[0]
directories = optional + (96 if magic == 0x10B else 112)
rsrc_rva, rsrc_size = struct.unpack_from("<II", image, directories + 2 * 8)
sections = [struct.unpack_from("<8xIIII", image, optional + optional_size + 40 * i)
            for i in range(section_count)]


def offset_of(rva):
    for virtual_size, address, raw_size, raw_offset in sections:
        if address <= rva < address + max(virtual_size, raw_size):
            return rva - address + raw_offset
    raise ValueError("RVA %#x is in no section" % rva)


if rsrc_size == 0:
    sys.exit(0)
root = offset_of(rsrc_rva)


def entries(directory):
    named, numbered = struct.unpack_from("<12xHH", image, root + directory)
    for i in range(named + numbered):
        name, target = struct.unpack_from("<II", image, root + directory + 16 + 8 * i)
        if name & 0x80000000:
            length = struct.unpack_from("<H", image, root + (name & 0x7FFFFFFF))[0]
            start = root + (name & 0x7FFFFFFF) + 2
            name = image[start:start + 2 * length].decode("utf-16-le")
        yield name, target & 0x7FFFFFFF


def data(entry):
    rva, size = struct.unpack_from("<II", image, root + entry)
    start = offset_of(rva)
    return image[start:start + size]


def text_at(blob, position):
    """A zero-terminated UTF-16 string; returns it and the position after it."""
    end = position
    while blob[end:end + 2] != b"\0\0":
        end += 2
    return blob[position:end].decode("utf-16-le"), end + 2


def name_or_ordinal(blob, position):
    """A resource name field: 0xFFFF and an ordinal, or a string."""
    if struct.unpack_from("<H", blob, position)[0] == 0xFFFF:
        return struct.unpack_from("<H", blob, position + 2)[0], position + 4
    return text_at(blob, position)


def menu_items(blob):
    """The items in order, one level deep: "POPUP caption: id text; id text"."""
    position = 4 + struct.unpack_from("<H", blob, 2)[0]
    groups = [[]]
    while position + 4 <= len(blob):
        flags = struct.unpack_from("<H", blob, position)[0]
        if flags & 0x10:
            caption, position = text_at(blob, position + 2)
            groups.append(["POPUP %s:" % caption])
        else:
            item_id = struct.unpack_from("<H", blob, position + 2)[0]
            text, position = text_at(blob, position + 4)
            groups[-1].append("%d %s" % (item_id, text))
    return " | ".join(" ".join(g[:1]) + (" " if len(g) > 1 else "") + "; ".join(g[1:])
                      for g in groups if g)


def dialog_lines(where, blob):
    style, _, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", blob)
    position = 18
    _, position = name_or_ordinal(blob, position)   # menu
    _, position = name_or_ordinal(blob, position)   # class
    caption, position = text_at(blob, position)
    font = ""
    if style & 0x40:
        points = struct.unpack_from("<H", blob, position)[0]
        face, position = text_at(blob, position + 2)
        font = " font %d %s" % (points, face)
    yield where + "%dx%d at %d,%d style %#x%s caption %s" % (cx, cy, x, y, style, font, caption)
    for _ in range(count):
        position = (position + 3) & ~3
        style, _, x, y, cx, cy, item_id = struct.unpack_from("<IIhhhhH", blob, position)
        item_class, position = name_or_ordinal(blob, position + 18)
        text, position = name_or_ordinal(blob, position)
        extra = struct.unpack_from("<H", blob, position)[0]
        position += 2 + extra
        item_class = CONTROL_CLASSES.get(item_class, item_class)
        yield "DIALOGITEM" + where[len("DIALOG"):] + "%d %s %#x %d,%d,%d,%d %s" % (
            item_id, item_class, style, x, y, cx, cy, text)


for type_id, names in entries(0):
    kind = TYPES.get(type_id, str(type_id))
    for name, languages in entries(names):
        for language, entry in entries(languages):
            blob = data(entry)
            where = "%s|%s|%#x|" % (kind, name, language)
            if kind == "BITMAP":
                width, height, _, bits, compression = struct.unpack_from("<4xiiHHI", blob)
                print(where + "%dx%d %dbpp %s" % (width, height, bits,
                                                  COMPRESSIONS.get(compression, compression)))
            elif kind == "STRING":
                position = 0
                for index in range(16):
                    length = struct.unpack_from("<H", blob, position)[0]
                    text = blob[position + 2:position + 2 + 2 * length].decode("utf-16-le")
                    position += 2 + 2 * length
                    if text:
                        print("STRING|%d|%#x|%s" % ((name - 1) * 16 + index, language, text))
            elif kind == "MENU":
                print(where + menu_items(blob))
            elif kind == "DIALOG":
                for line in dialog_lines(where, blob):
                    print(line)
            else:
                print(where)
PY
) || fail "the resource directory could not be read"
# An entry without detail asks only that the resource exists.
present() { # present "type|name|language|detail"
    if [ -n "${1##*|}" ]; then
        grep -Fxq -- "$1" <<<"$resources"
    else
        awk -v entry="$1" 'index($0, entry) == 1 { found = 1 } END { exit !found }' <<<"$resources"
    fi
}
for entry in "${expected_resources[@]}"; do
    IFS='|' read -r type name language detail <<<"$entry"
    if present "$entry"; then
        ok "resource $type $name, language $language${detail:+: $detail}"
    else
        found=$(grep -F "$type|$name|" <<<"$resources" | paste -sd ';' -)
        fail "resource $type $name, language $language${detail:+: $detail} (found: ${found:-none})"
    fi
done

# --- settings dialogs ----------------------------------------------------------
# The four settings dialogs share one frame; they differ in caption, height,
# channels shown, the lower group frame, the place of the board number and
# the analog classes' lists. In the lines of a template (format as above):
#   WS_CHILD|WS_VISIBLE|SS_ETCHEDFRAME                      = 0x50000012
#   WS_CHILD|WS_VISIBLE|WS_GROUP|SS_LEFT (labels, 1045)     = 0x50020000
#   WS_CHILD[|WS_VISIBLE]|SS_CENTER (channel numbers)       = 0x[54]0000001
#   WS_CHILD[|WS_VISIBLE] (channel tabs, arrows)            = 0x[54]0000000
#   WS_CHILD|WS_VISIBLE|WS_BORDER|WS_TABSTOP|ES_AUTOHSCROLL = 0x50810080
#   the same with WS_DISABLED|ES_READONLY, no ES_AUTOHSCROLL = 0x58810800
#   WS_CHILD|WS_VISIBLE|WS_TABSTOP|BS_(DEF)PUSHBUTTON       = 0x50010001 / 0x50010000
#   WS_CHILD|WS_VISIBLE|BS_GROUPBOX                         = 0x50000007
#   WS_CHILD|WS_VISIBLE|WS_VSCROLL|WS_TABSTOP|CBS_DROPDOWNLIST = 0x50210003
# "name|caption|height|channels shown|group frame|board number x|additions",
# the additions being item details separated by ";".
settings_dialogs=(
    "TORQ7_ADDLG|Torq-Q7 アナログ入力|206|8|6,100,250,99|77|"\
"65535 STATIC 0x50020000 10,130,64,8 入力電圧レンジ:;1046 COMBOBOX 0x50210003 76,126,170,41 ;"\
"65535 STATIC 0x50020000 10,146,64,8 バッファ方式:;1054 COMBOBOX 0x50210003 76,142,170,48 ;"\
"65535 STATIC 0x50020000 10,161,64,8 バッファサイズ:;1055 COMBOBOX 0x50210003 76,158,170,50 ;"\
"65535 STATIC 0x50020000 10,177,64,8 開始方法:;1056 COMBOBOX 0x50210003 76,175,170,45 "
    "TORQ7_DIDLG|Torq-Q7 デジタル入力|143|8|5,97,250,37|69|"
    "TORQ7_DODLG|Torq-Q7 デジタル出力|143|8|5,97,250,37|69|"
    "TORQ7_DADLG|Torq-Q7 アナログ出力|163|2|5,97,250,59|69|"\
"65535 STATIC 0x50020000 11,131,56,8 出力範囲：;1046 COMBOBOX 0x50210003 69,129,94,61 "
)

# The template's frame and item details, one a line.
settings_dialog_lines() { # caption height shown group board_x additions
    local caption=$1 height=$2 shown=$3 group=$4 board_x=$5 additions=$6 i visible
    printf '%s\n' \
        "323x$height at 0,0 style 0x80c800c0 font 10 ＭＳ ゴシック caption $caption" \
        "65535 STATIC 0x50000012 5,10,130,20 " \
        "65535 STATIC 0x50020000 10,16,56,8 モジュール名 :" \
        "23018 EDIT 0x50810080 65,14,65,12 " \
        "65535 STATIC 0x50000012 145,10,170,20 " \
        "65535 STATIC 0x50020000 150,16,55,8 説明 :" \
        "23019 EDIT 0x50810080 210,14,100,12 " \
        "65535 STATIC 0x50000012 5,35,310,35 " \
        "23000 DUD:CONTROLLESSMORE 0x50000000 11,48,12,16 " \
        "23001 DUD:CONTROLLESSMORE 0x50000000 295,48,12,16 " \
        "65535 STATIC 0x50000012 5,75,130,20 " \
        "65535 STATIC 0x50020000 10,81,56,8 チャンネル名 :" \
        "23021 EDIT 0x50810080 65,79,65,12 " \
        "65535 STATIC 0x50000012 145,75,110,20 " \
        "65535 STATIC 0x50020000 150,81,78,8 選択チャンネル :" \
        "23020 EDIT 0x58810800 230,79,20,12 " \
        "1 BUTTON 0x50010001 265,80,50,14 Ok" \
        "2 BUTTON 0x50010000 265,100,50,14 キャンセル" \
        "1006 BUTTON 0x50010000 265,120,50,14 情報" \
        "65535 BUTTON 0x50000007 $group " \
        "65535 STATIC 0x50020000 11,113,50,8 Slot：" \
        "1045 STATIC 0x50020000 $board_x,113,40,8 "
    for i in $(seq 0 15); do
        visible=4
        [ "$i" -lt "$shown" ] && visible=5
        echo "65535 STATIC 0x${visible}0000001 $((32 + 16 * i)),39,15,8 $i"
        echo "$((23002 + i)) DUD:CONTROLKANAL 0x${visible}0000000 $((34 + 16 * i)),49,11,15 "
    done
    [ -z "$additions" ] || tr ';' '\n' <<<"$additions"
}

for entry in "${settings_dialogs[@]}"; do
    IFS='|' read -r name caption height shown group board_x _ <<<"$entry"
    additions=${entry#"$name|$caption|$height|$shown|$group|$board_x|"}
    expected=$(settings_dialog_lines "$caption" "$height" "$shown" "$group" "$board_x" "$additions" | sort)
    actual=$(grep -E "^DIALOG(ITEM)?\|$name\|0x411\|" <<<"$resources" | cut -d'|' -f4- | sort)
    while IFS= read -r line; do
        check "$name: $line" grep -Fxq -- "$line" <<<"$actual"
    done <<<"$expected"
    unexpected=$(comm -13 <(echo "$expected") <(echo "$actual") | paste -sd ';' -)
    check "$name has nothing else${unexpected:+ (found: $unexpected)}" test -z "$unexpected"
done

finish

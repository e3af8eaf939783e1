#!/usr/bin/env bash
# Static checks of the 32-bit product DLL, read off the file itself: what the
# host's loader and a machine without the compiler's runtime would see.
#   bash tests/product_static_checks.sh path/to/Torq7m.dll
# Prints one "ok: ..." or "FAIL: ..." line per check; exits 1 on any failure.
set -uo pipefail

dll=${1:?usage: product_static_checks.sh path/to/Torq7m.dll}
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

# --- imports -----------------------------------------------------------------
imports=$(awk '/^\tDLL Name:/ { print $3 }' <<<"$headers")
allowed_regex="^($(IFS='|'; echo "${allowed_imports[*]}"))\$"
check "imports KERNEL32.dll" grep -qix 'kernel32\.dll' <<<"$imports"
while read -r name; do
    [ -n "$name" ] || continue
    check "import $name is a system DLL" grep -Eqi "$allowed_regex" <<<"$name"
done <<<"$imports"

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

TYPES = {2: "BITMAP", 5: "DIALOG", 6: "STRING", 16: "VERSION"}
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


# Dialog templates (DLGTEMPLATE, not the extended form): caption, size, font,
# and one line per control. Controls with an id give id, class, place,
# visibility and text; those without one are labels (with a text) or frames.
ATOMS = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC", 0x83: "LISTBOX", 0x84: "SCROLLBAR", 0x85: "COMBOBOX"}


def sz_or_ord(blob, position):
    first = struct.unpack_from("<H", blob, position)[0]
    if first == 0:
        return "", position + 2
    if first == 0xFFFF:
        return struct.unpack_from("<H", blob, position + 2)[0], position + 4
    end = position
    while struct.unpack_from("<H", blob, end)[0] != 0:
        end += 2
    return blob[position:end].decode("utf-16-le"), end + 2


def dialog_details(name, blob):
    style, _, count, _, _, width, height = struct.unpack_from("<IIHhhhh", blob)
    _, position = sz_or_ord(blob, 18)
    _, position = sz_or_ord(blob, position)
    caption, position = sz_or_ord(blob, position)
    head = "DIALOGTEMPLATE|%s|" % name
    yield head + "caption|" + caption
    yield head + "size|%dx%d" % (width, height)
    if style & 0x40:
        points = struct.unpack_from("<H", blob, position)[0]
        face, position = sz_or_ord(blob, position + 2)
        yield head + "font|%d %s" % (points, face)
    for _ in range(count):
        position = (position + 3) & ~3
        style, _, x, y, cx, cy, control = struct.unpack_from("<IIhhhhH", blob, position)
        kind, position = sz_or_ord(blob, position + 18)
        text, position = sz_or_ord(blob, position)
        extra = struct.unpack_from("<H", blob, position)[0]
        position += 2 + extra
        kind = ATOMS.get(kind, kind) if isinstance(kind, int) else kind.upper()
        place = "%d,%d,%d,%d" % (x, y, cx, cy)
        if control != 0xFFFF:
            shown = "visible" if style & 0x10000000 else "hidden"
            yield "DIALOGCONTROL|%s|%d|%s|%s|%s|%s" % (name, control, kind, place, shown, text)
        elif text:
            shown = "visible" if style & 0x10000000 else "hidden"
            yield "DIALOGLABEL|%s|%s|%d,%d|%s" % (name, text, x, y, shown)
        else:
            yield "DIALOGFRAME|%s|%s|%s" % (name, kind, place)


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
            elif kind == "DIALOG":
                print(where)
                for line in dialog_details(name, blob):
                    print(line)
            else:
                print(where)
PY
) || fail "the resource directory could not be read"
for entry in "${expected_resources[@]}"; do
    IFS='|' read -r type name language detail <<<"$entry"
    if grep -Fxq "$entry" <<<"$resources"; then
        ok "resource $type $name, language $language${detail:+: $detail}"
    else
        found=$(grep -F "$type|$name|" <<<"$resources" | paste -sd ';' -)
        fail "resource $type $name, language $language${detail:+: $detail} (found: ${found:-none})"
    fi
done

# --- settings dialogs ----------------------------------------------------------
# The four templates share one frame; "name|title|height|channels shown|
# lower frame|board number x|class additions" (additions as "|"-free lines
# separated by ";").
settings_dialogs=(
    "TORQ7_ADDLG|Torq-Q7 アナログ入力|206|8|6,100,250,99|77|"\
"DIALOGLABEL|TORQ7_ADDLG|入力電圧レンジ:|10,130|visible;DIALOGCONTROL|TORQ7_ADDLG|1046|COMBOBOX|76,126,170,41|visible|;"\
"DIALOGLABEL|TORQ7_ADDLG|バッファ方式:|10,146|visible;DIALOGCONTROL|TORQ7_ADDLG|1054|COMBOBOX|76,142,170,48|visible|;"\
"DIALOGLABEL|TORQ7_ADDLG|バッファサイズ:|10,161|visible;DIALOGCONTROL|TORQ7_ADDLG|1055|COMBOBOX|76,158,170,50|visible|;"\
"DIALOGLABEL|TORQ7_ADDLG|開始方法:|10,177|visible;DIALOGCONTROL|TORQ7_ADDLG|1056|COMBOBOX|76,175,170,45|visible|"
    "TORQ7_DIDLG|Torq-Q7 デジタル入力|143|8|5,97,250,37|69|"
    "TORQ7_DODLG|Torq-Q7 デジタル出力|143|8|5,97,250,37|69|"
    "TORQ7_DADLG|Torq-Q7 アナログ出力|163|2|5,97,250,59|69|"\
"DIALOGLABEL|TORQ7_DADLG|出力範囲：|11,131|visible;DIALOGCONTROL|TORQ7_DADLG|1046|COMBOBOX|69,129,94,61|visible|"
)

# Every line the template of one settings dialog must give, and nothing else.
settings_dialog_lines() { # name title height shown frame slot_x additions
    local name=$1 title=$2 height=$3 shown=$4 frame=$5 slot_x=$6 additions=$7 i visibility
    printf '%s\n' \
        "DIALOGTEMPLATE|$name|caption|$title" \
        "DIALOGTEMPLATE|$name|size|323x$height" \
        "DIALOGTEMPLATE|$name|font|10 ＭＳ ゴシック" \
        "DIALOGFRAME|$name|STATIC|5,10,130,20" \
        "DIALOGFRAME|$name|STATIC|145,10,170,20" \
        "DIALOGFRAME|$name|STATIC|5,35,310,35" \
        "DIALOGFRAME|$name|STATIC|5,75,130,20" \
        "DIALOGFRAME|$name|STATIC|145,75,110,20" \
        "DIALOGFRAME|$name|BUTTON|$frame" \
        "DIALOGLABEL|$name|モジュール名 :|10,16|visible" \
        "DIALOGLABEL|$name|説明 :|150,16|visible" \
        "DIALOGLABEL|$name|チャンネル名 :|10,81|visible" \
        "DIALOGLABEL|$name|選択チャンネル :|150,81|visible" \
        "DIALOGLABEL|$name|Slot：|11,113|visible" \
        "DIALOGCONTROL|$name|23018|EDIT|65,14,65,12|visible|" \
        "DIALOGCONTROL|$name|23019|EDIT|210,14,100,12|visible|" \
        "DIALOGCONTROL|$name|23000|DUD:CONTROLLESSMORE|11,48,12,16|visible|" \
        "DIALOGCONTROL|$name|23001|DUD:CONTROLLESSMORE|295,48,12,16|visible|" \
        "DIALOGCONTROL|$name|23021|EDIT|65,79,65,12|visible|" \
        "DIALOGCONTROL|$name|23020|EDIT|230,79,20,12|visible|" \
        "DIALOGCONTROL|$name|1|BUTTON|265,80,50,14|visible|Ok" \
        "DIALOGCONTROL|$name|2|BUTTON|265,100,50,14|visible|キャンセル" \
        "DIALOGCONTROL|$name|1006|BUTTON|265,120,50,14|visible|情報" \
        "DIALOGCONTROL|$name|1045|STATIC|$slot_x,113,40,8|visible|"
    for i in $(seq 0 15); do
        visibility=hidden
        [ "$i" -lt "$shown" ] && visibility=visible
        echo "DIALOGLABEL|$name|$i|$((32 + 16 * i)),39|$visibility"
        echo "DIALOGCONTROL|$name|$((23002 + i))|DUD:CONTROLKANAL|$((34 + 16 * i)),49,11,15|$visibility|"
    done
    [ -z "$additions" ] || tr ';' '\n' <<<"$additions"
}

for entry in "${settings_dialogs[@]}"; do
    IFS='|' read -r name title height shown frame slot_x additions <<<"$entry"
    additions=${entry#"$name|$title|$height|$shown|$frame|$slot_x|"}
    check "resource DIALOG $name, language 0x411" grep -Fxq "DIALOG|$name|0x411|" <<<"$resources"
    expected=$(settings_dialog_lines "$name" "$title" "$height" "$shown" "$frame" "$slot_x" "$additions" | sort)
    actual=$(grep -E "^DIALOG(TEMPLATE|CONTROL|LABEL|FRAME)\|$name\|" <<<"$resources" | sort)
    while read -r line; do
        check "$name: ${line#*|"$name"|}" grep -Fxq "$line" <<<"$actual"
    done <<<"$expected"
    unexpected=$(comm -13 <(echo "$expected") <(echo "$actual") | paste -sd ';' -)
    check "$name has nothing else${unexpected:+ (found: $unexpected)}" test -z "$unexpected"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"

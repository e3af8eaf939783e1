#!/usr/bin/env bash
# Pictures of the library's dialogs, as a user sees them: each dialog is
# opened in the stand-in host (standin-host.exe --picture) under Wine's X11
# driver on a virtual display, and saved as docs/<TEMPLATE>.png. A dialog
# that the library does not offer yet is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/win64
out=docs
dialogs=(Q7_DEVSEL TORQ7_ADDLG TORQ7_DIDLG TORQ7_DODLG TORQ7_DADLG TORQ7_ABOUT)

if [ "${1:-}" != --on-display ]; then
    bash scripts/setup.sh xvfb imagemagick fonts-ipafont-gothic fonts-wine
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target standin-host
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-display
fi

# A prefix of its own: the tests' prefix draws nothing (Graphics=null).
export WINEPREFIX="$PWD/$build/wineprefix-x11" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes code page 932 from LC_ALL; bash itself has no such locale.
wine() { LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 "$@"; }
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

if [ ! -f "$WINEPREFIX/.torq7-pictures-ready" ]; then
    echo "making the Wine prefix in $WINEPREFIX"
    wine wineboot -i </dev/null >/dev/null 2>&1
    # Wine draws the frames itself (there is no window manager), and the
    # templates' fonts are the IPA Gothic fonts here.
    {
        printf '\xff\xfe'
        iconv -f UTF-8 -t UTF-16LE <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
REG
    } >"$work/pictures.reg"
    wine regedit /S "$(wine winepath -w "$work/pictures.reg" 2>/dev/null)" </dev/null >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.torq7-pictures-ready"
fi
# The caption buttons' glyphs come from Wine's Marlett, which this Wine
# does not find in its own data folder.
cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
wineserver -p >/dev/null 2>&1 || true

mkdir -p "$out"
bin=$build/bin
for dialog in "${dialogs[@]}"; do
    status=0
    wine "$bin/standin-host.exe" --picture "$dialog" "$work/$dialog.bmp" </dev/null >"$work/$dialog.log" 2>&1 ||
        status=$?
    case $status in
    0)
        /usr/bin/convert "$work/$dialog.bmp" "$out/$dialog.png"
        echo "$out/$dialog.png"
        ;;
    3) echo "$dialog: skipped (the library does not open it yet)" ;;
    *)
        echo "$dialog: FAILED"
        cat "$work/$dialog.log"
        exit 1
        ;;
    esac
done

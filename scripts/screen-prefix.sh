# Sourced by the scripts that show the library's windows on a display
# (pictures.sh, worksheet.sh), with the build folder as argument: makes and
# starts a Wine prefix that draws through the X11 driver on $DISPLAY, and
# defines `wine`.
# A prefix of its own: the tests' prefix draws nothing (Graphics=null).
export WINEPREFIX="$(cd "$1" && pwd)/wineprefix-x11" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes code page 932 from LC_ALL; bash itself has no such locale.
wine() { LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 "$@"; }
if [ ! -f "$WINEPREFIX/.torq7-screen-ready" ]; then
    echo "making the Wine prefix in $WINEPREFIX"
    wine wineboot -i </dev/null >/dev/null 2>&1
    # Wine draws the frames itself (a virtual display has no window manager); the
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
    } >"$WINEPREFIX/screen.reg"
    wine regedit /S "$(wine winepath -w "$WINEPREFIX/screen.reg" 2>/dev/null)" </dev/null >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.torq7-screen-ready"
fi
# The caption buttons' glyphs come from Wine's Marlett, which this Wine
# does not find in its own data folder.
cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
wineserver -p >/dev/null 2>&1 || true


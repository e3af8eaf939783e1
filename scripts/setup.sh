#!/usr/bin/env bash
# Installs what the build, the tests and the demo need, if it is missing:
# the cross compilers, 64-bit Wine and, where the kernel executes 32-bit x86
# code, 32-bit Wine from Debian's i386 multiarch for the product's own run;
# gnuplot with a Japanese font for the plots (the channel names are
# half-width katakana; without such a font they come out as black boxes);
# the ja_JP.UTF-8 locale; and the packages named as arguments (the pictures'
# display and fonts).
#   bash scripts/setup.sh [--no-32] [PACKAGE...]
#   --no-32   not the 32-bit Wine (the 64-bit demo runs without it)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
want_32=1
if [ "${1:-}" = --no-32 ]; then
    want_32=0
    shift
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
# Another apt run (an unattended upgrade, say) holds dpkg's lock for a while: wait for it.
apt_get() { DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 "$@"; }
apt_install() {
    echo "installing: $*"
    # A mirror caught mid-sync fails one index (seen: the i386 security list);
    # the others are still fresh, so go on and let the install itself decide.
    apt_get update -qq || echo "apt-get update reported a failed index; installing from the lists it has"
    apt_get install -y -qq --no-install-recommends "$@" >/dev/null
}

# binutils: as and ld build the kernel's 32-bit check (scripts/runs-i386.sh).
# fonts-ipafont-gothic: the Japanese glyphs of the plots (scripts/plot-run.sh).
packages=(cmake ninja-build binutils g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
          binutils-mingw-w64-x86-64 wine wine64 googletest gnuplot-nox fonts-ipafont-gothic libtomlplusplus-dev
          locales "$@")
missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"

if [ "$want_32" -eq 1 ] && bash "$here/runs-i386.sh" && ! installed wine32:i386; then
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo_cmd dpkg --add-architecture i386
    # A mirror caught mid-sync can leave the i386 lists behind the amd64 ones
    # for a while; try again before giving up on the 32-bit run.
    for attempt in 1 2 3; do
        apt_install wine32:i386 && break
        [ "$attempt" -eq 3 ] && { echo "!!! wine32:i386 could not be installed: the 32-bit programs will not run !!!"; break; }
        sleep 30
    done
fi

# Wine runs with LC_ALL=ja_JP.UTF-8 (code page 932). Without that locale on
# the Linux side, Wine cannot put a Japanese file name on the disk.
if ! locale -a | grep -qix 'ja_JP\.utf-\?8'; then
    echo "making the ja_JP.UTF-8 locale"
    $sudo_cmd localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

#!/usr/bin/env bash
# Makes a pristine, booted 32-bit Wine prefix with a Japanese locale at the given folder, once:
# when the folder already holds a booted prefix, nothing is done. The tests copy it per case.
#   tests/wine/make_prefix.sh build/wine/pristine
set -euo pipefail
prefix=$(realpath -m "$1")
[ -f "$prefix/.qv-booted" ] && exit 0

rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 DISPLAY=
wineboot -i >/dev/null 2>&1
# Without a window manager, Wine waits about 2 s whenever a managed window maps or unmaps.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.qv-booted"

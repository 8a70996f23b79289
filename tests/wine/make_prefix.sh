#!/usr/bin/env bash
# Makes a pristine, booted 32-bit Wine prefix with a Japanese locale at the given folder, once:
# when the folder already holds a booted prefix, nothing is done. The tests copy it per case.
#   tests/wine/make_prefix.sh build/wine/pristine
set -euo pipefail
prefix=$(realpath -m "$1")
[ -f "$prefix/.qv-booted-2" ] && exit 0

rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 DISPLAY=
wineboot -i >/dev/null 2>&1
# Without a window manager, Wine waits about 2 s whenever a managed window maps or unmaps.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
# Wine links the user's Desktop, Documents and the like to the host's home folder. A test that
# deletes desktop shortcuts must never reach the host's files: each link becomes an empty folder.
find "$prefix/drive_c" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
  rm "$link" && mkdir "$link"
done
touch "$prefix/.qv-booted-2"

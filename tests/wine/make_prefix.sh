#!/usr/bin/env bash
# Makes a pristine, booted Wine prefix with a Japanese locale at the given folder, once: when the
# folder already holds a booted prefix of that width, nothing is done. The tests copy it per case.
#   tests/wine/make_prefix.sh build/mingw/wine/pristine win32     (or win64: see mode.sh)
# Parallel callers wait for one another, so a prefix is never booted twice at once.
set -euo pipefail
prefix=$(realpath -m "$1") mode=$2
eval "$(bash "$(dirname "$0")/mode.sh" "$mode")"
marker=$prefix/.qv-booted-3-$mode
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$marker" ] && exit 0

rm -rf "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 DISPLAY=
"$WINELOADER" wineboot -i >/dev/null 2>&1
# Without a window manager, Wine waits about 2 s whenever a managed window maps or unmaps.
"$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
"$WINESERVER" -w
# Wine links the user's Desktop, Documents and the like to the host's home folder. A test that
# deletes desktop shortcuts must never reach the host's files: each link becomes an empty folder.
find "$prefix/drive_c" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
  rm "$link" && mkdir "$link"
done
touch "$marker"

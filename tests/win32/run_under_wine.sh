#!/usr/bin/env bash
# Runs a Windows test program under Wine in a fresh copy of the pristine Japanese prefix.
#   run_under_wine.sh MODE PRISTINE SCRATCH EXE [ARGS...]
# The host locale is Japanese (code page 932) unless QV_WINE_LOCALE names another, such as
# en_US.UTF-8 (1252) or zh_CN.UTF-8 (936).
# MODE is the program's width, win32 or win64 (tests/wine/mode.sh); the pristine prefix of that
# width is made once. Local time is Tokyo (UTC+9, no daylight saving) so that file-time tests see
# a real offset.
set -euo pipefail
mode=$1 pristine=$(realpath -m "$2") scratch=$(realpath -m "$3") exe=$4
shift 4
wine_dir=$(dirname "$0")/../wine

bash "$wine_dir/make_prefix.sh" "$pristine" "$mode"
eval "$(bash "$wine_dir/mode.sh" "$mode")"

export WINEPREFIX="$scratch" WINEDEBUG=-all LC_ALL=${QV_WINE_LOCALE:-ja_JP.UTF-8} TZ=Asia/Tokyo DISPLAY=
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$scratch"
}
[ -d "$scratch" ] && cleanup
cp -a "$pristine" "$scratch"
trap cleanup EXIT

status=0
"$WINELOADER" "$exe" "$@" || status=$?
exit "$status"

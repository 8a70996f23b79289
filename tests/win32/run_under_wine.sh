#!/usr/bin/env bash
# Runs a Windows test program under Wine in a fresh copy of the pristine Japanese prefix.
#   run_under_wine.sh MAKE_PREFIX PRISTINE SCRATCH EXE [ARGS...]
# The pristine prefix is made (once) under a lock, so parallel runs do not boot it twice.
# Local time is Tokyo (UTC+9, no daylight saving) so that file-time tests see a real offset.
set -euo pipefail
make_prefix=$1 pristine=$(realpath -m "$2") scratch=$(realpath -m "$3") exe=$4
shift 4

mkdir -p "$(dirname "$pristine")"
flock "$pristine.lock" bash "$make_prefix" "$pristine"

export WINEPREFIX="$scratch" WINEARCH=win32 WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 TZ=Asia/Tokyo DISPLAY=
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
[ -d "$scratch" ] && cleanup
cp -a "$pristine" "$scratch"
trap cleanup EXIT

status=0
wine "$exe" "$@" || status=$?
exit "$status"

#!/usr/bin/env bash
# Decides how Windows programs run under Wine on this host, and prints the decision as shell
# assignments for `eval`:
#   QV_WINE_MODE   win32: the 32-bit build under 32-bit Wine (a 32-bit prefix), as on a real
#                  32-bit Windows; win64: the same sources built for 64-bit Windows, under 64-bit
#                  Wine (a 64-bit prefix), for hosts whose kernel cannot run 32-bit x86 code
#   QV_PRESET      the MinGW build (CMake preset) whose programs run under Wine in that mode
#   QV_WINE_WHY    one line: which way runs and why
#   WINEARCH WINELOADER WINESERVER   what Wine itself needs, exported; WINELOADER is the loader
#                  to start programs with (/usr/bin/wine picks the 32-bit one whenever it is there)
#
#   mode.sh           the 32-bit way where the 32-bit Wine loader starts, else the 64-bit way;
#                     QV_WINE_MODE=win32 or win64 in the environment asks for one way
#   mode.sh MODE      that way (the width of a build that is already made)
#
# When the way cannot run here, one line on stderr says what is missing, and the exit code is 1.
# QV_WINE32_LOADER and QV_WINE64_LOADER name other loaders to probe (the tests of this decision).
set -uo pipefail

loader32=${QV_WINE32_LOADER:-/usr/lib/wine/wine}
loader64=${QV_WINE64_LOADER:-/usr/lib/wine/wine64}
server=/usr/lib/wine/wineserver64

# Why the loader does not start, or nothing when it does.
probe() {
  local loader=$1 out status
  if [ ! -e "$loader" ] && [ "$loader" = "$loader32" ]; then
    # tools/setup.sh installs 32-bit Wine only where it can run, and goes on without it when the
    # package lists at hand cannot give it.
    out=$(bash "$(dirname "$0")/../../tools/runs-32-bit.sh") || { echo "$out"; return; }
    echo "$loader is not installed: wine32:i386 could not be installed (run tools/setup.sh again)"
    return
  fi
  [ -e "$loader" ] || { echo "$loader is not installed"; return; }
  # bash, not timeout's own exec, reports a binary the kernel cannot run ("Exec format error").
  out=$(timeout 30 bash -c '"$0" --version' "$loader" 2>&1 >/dev/null) && return
  status=$?
  [ $status -ne 124 ] || { echo "$loader --version did not end within 30 s"; return; }
  out=${out%%$'\n'*}
  out=${out#"$loader: line 1: "}
  echo "${out:-$loader --version failed with exit code $status}" | tr -c '[:print:]\n' '?'
}

emit() {  # mode why
  local loader=$loader32 preset=mingw
  [ "$1" = win64 ] && loader=$loader64 preset=mingw64
  printf 'QV_WINE_MODE=%s\nQV_PRESET=%s\nQV_WINE_WHY=%q\n' "$1" "$preset" "$2"
  printf 'WINEARCH=%s\nWINELOADER=%q\nWINESERVER=%q\n' "$1" "$loader" "$server"
  printf 'export WINEARCH WINELOADER WINESERVER\n'
}

fail() { echo "wine: $*" >&2; exit 1; }

wanted=${1:-${QV_WINE_MODE:-}}
case "$wanted" in
  win32)
    why=$(probe "$loader32")
    [ -z "$why" ] || fail "the 32-bit way was asked for, but the 32-bit Wine loader does not start here ($why)"
    emit win32 "32-bit way, as asked: the 32-bit QvUninst.exe under 32-bit Wine" ;;
  win64)
    why=$(probe "$loader64")
    [ -z "$why" ] || fail "the 64-bit way was asked for, but the 64-bit Wine loader does not start here ($why)"
    emit win64 "64-bit way, as asked: the same sources built for 64-bit Windows, under 64-bit Wine" ;;
  "")
    why32=$(probe "$loader32")
    if [ -z "$why32" ]; then
      emit win32 "32-bit way: the 32-bit Wine loader starts here, so the 32-bit QvUninst.exe runs under 32-bit Wine"
    else
      why64=$(probe "$loader64")
      [ -z "$why64" ] || fail "neither way runs here: the 32-bit Wine loader does not start ($why32)," \
        "nor does the 64-bit one ($why64); tools/setup.sh installs both"
      emit win64 "64-bit way: the 32-bit Wine loader does not start here ($why32), so the same sources built for 64-bit Windows run under 64-bit Wine"
    fi ;;
  *) fail "unknown way '$wanted': QV_WINE_MODE is win32 or win64" ;;
esac

#!/usr/bin/env bash
# Sets the machine up and runs every test layer, or only the layers named:
#   tools/test.sh                 all layers
#   tools/test.sh unit asan       native unit tests, and the same under the sanitizers
#   tools/test.sh win32 e2e       Win32Platform under Wine, the real QvUninst.exe under Wine
#   tools/test.sh fuzz            the fuzz targets, about two minutes
#   tools/test.sh setup           tools/setup.sh while `apt-get update` fails (as root)
#   tools/test.sh release         two release builds of the commit in fresh clones, compared byte
#                                 for byte, and the first one's archives checked
#   tools/test.sh dist            the release of this working tree (tools/release.sh), checked
#   tools/test.sh shipped         the release zip's own QvUninst.exe and QvCheck.exe under 32-bit
#                                 Wine: natively where it runs here, else through emulation
#                                 (tools/shipped.sh; the first run builds and caches an i386 root
#                                 and prefix)
# The Wine layers run the 32-bit build under 32-bit Wine where the host runs 32-bit code, else the
# same sources built for 64-bit Windows under 64-bit Wine (tests/wine/mode.sh decides and says why;
# QV_WINE_MODE=win32 or win64 asks for one way). The checks of the product's file always read the
# 32-bit QvUninst.exe.
set -uo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh || exit 1

layers=("$@")
[ ${#layers[@]} -gt 0 ] || layers=(setup unit asan win32 e2e fuzz release shipped)
jobs=2

build() {  # preset
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}

# How the Wine layers run here, decided once; prints the way and why, or what is missing.
wine_modes=
wine_way() {
  [ -n "$wine_modes" ] || wine_modes=$(bash tests/wine/mode.sh) || return 1
  eval "$wine_modes"
  echo "wine: $QV_WINE_WHY"
}

# The product's own file checks read the 32-bit build; the Wine tests run in the host's way.
win32_layer() {
  wine_way && build mingw || return 1
  if [ "$QV_PRESET" = mingw ]; then
    ctest --preset mingw
  else
    echo "win32_platform runs from the $QV_PRESET build in this way; the 32-bit build's file is checked"
    ctest --preset mingw -LE wine && build "$QV_PRESET" && ctest --preset "$QV_PRESET" -L wine
  fi
}

# The plan's Linux-versus-Windows case runs the native qvcheck too.
e2e_layer() {
  wine_way && build mingw && build "$QV_PRESET" &&
    cmake --preset native >/dev/null && cmake --build --preset native -j "$jobs" --target qvcheck &&
    /usr/bin/python3 -m pytest -q tests/e2e
}

run_layer() {
  case "$1" in
    unit)  build native && ctest --preset native -j "$jobs" ;;
    asan)  build asan && ctest --preset asan -j "$jobs" ;;
    win32) win32_layer ;;
    e2e)   e2e_layer ;;
    fuzz)  bash tools/fuzz.sh ;;
    setup) bash tests/setup/failing_update.sh ;;
    release) bash tests/release/reproduce.sh ;;
    dist)  bash tools/release.sh && /usr/bin/python3 tests/release/check_dist.py dist . ;;
    shipped) bash tools/shipped.sh ;;
    *) echo "unknown layer: $1" >&2; return 2 ;;
  esac
}

passed=0 failed=0 failures=()
for layer in "${layers[@]}"; do
  echo "=== $layer"
  start=$SECONDS
  if run_layer "$layer"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); failures+=("$layer")
  fi
  echo "=== $layer: $((SECONDS - start)) s"
done

[ $failed -eq 0 ] || echo "failed layers: ${failures[*]}"
echo "layers: $passed passed, $failed failed"
[ $failed -eq 0 ]

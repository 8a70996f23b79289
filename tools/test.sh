#!/usr/bin/env bash
# Sets the machine up and runs every test layer, or only the layers named:
#   tools/test.sh                 all layers
#   tools/test.sh unit asan       native unit tests, and the same under the sanitizers
#   tools/test.sh win32 e2e       Win32Platform under Wine, the real QvUninst.exe under Wine
#   tools/test.sh fuzz            the fuzz targets, about a minute
set -uo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh || exit 1

layers=("$@")
[ ${#layers[@]} -gt 0 ] || layers=(unit asan win32 e2e fuzz)
jobs=2

build() {  # preset
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}

run_layer() {
  case "$1" in
    unit)  build native && ctest --preset native -j "$jobs" ;;
    asan)  build asan && ctest --preset asan -j "$jobs" ;;
    win32) build mingw && ctest --preset mingw ;;
    e2e)   build mingw && /usr/bin/python3 -m pytest -q tests/e2e ;;
    fuzz)  bash tools/fuzz.sh ;;
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

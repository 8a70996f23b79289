#!/usr/bin/env bash
# The main job, end to end: sets up the machine, builds QvUninst.exe, lays out a sample product
# (C:\Program Files\Sample with its files, registry keys, Uninst.inf and its entry in the list of
# installed programs) in a fresh Wine prefix, removes it the way users do, through the system's
# list of installed programs (Wine's uninstaller --remove, which runs the registered command),
# answers every box as a user would (Yes to questions, OK otherwise) and prints the list before
# and after, each box, the answers, the exit code and what the run removed or created.
#   tools/sample-uninstall.sh    (builds in build/mingw, or build/mingw64; BUILD_DIR=... to change)
# On a host that cannot run 32-bit code, the same sources built for 64-bit Windows run under
# 64-bit Wine instead (tests/wine/mode.sh; QV_WINE_MODE=win64 asks for that way anywhere).
# The product is described in tests/e2e/sample_uninstall.py.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
modes=$(bash tests/wine/mode.sh)
eval "$modes"
echo "wine: $QV_WINE_WHY"

# The product, the 32-bit QvUninst.exe, is built on every host.
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j2 --target QvUninst >/dev/null

build=${BUILD_DIR:-build/$QV_PRESET}
pristine=${QV_WINE_PRISTINE:-$build/wine/pristine}
cmake --preset "$QV_PRESET" -B "$build" >/dev/null
cmake --build "$build" -j2 --target QvUninst qvdriver >/dev/null
tests/wine/make_prefix.sh "$pristine" "$QV_WINE_MODE"
# Each box is saved as a picture too: QV_BOX_PICTURES=docs/boxes remakes the README's pictures.
exec /usr/bin/python3 tests/e2e/sample_uninstall.py "$build" "$pristine" "${QV_BOX_PICTURES:-$build/boxes}"

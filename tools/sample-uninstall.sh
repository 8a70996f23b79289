#!/usr/bin/env bash
# The main job, end to end: sets up the machine, builds QvUninst.exe, lays out a sample product
# (C:\Program Files\Sample with its files, registry keys and Uninst.inf) in a fresh Wine prefix,
# runs the uninstall answering every box as a user would (Yes to questions, OK otherwise) and
# prints each box, the answers, the exit code and what the run removed or created.
#   tools/sample-uninstall.sh              (builds in build/mingw; BUILD_DIR=... to change)
# The product is described in tests/e2e/sample_uninstall.py.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build/mingw}
pristine=${QV_WINE_PRISTINE:-build/wine/pristine}

tools/setup.sh
cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j2 --target QvUninst qvdriver >/dev/null
tests/wine/make_prefix.sh "$pristine"
exec /usr/bin/python3 tests/e2e/sample_uninstall.py "$build" "$pristine"

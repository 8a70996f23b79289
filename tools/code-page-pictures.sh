#!/usr/bin/env bash
# Remakes the pictures of the question to begin under code pages 1252 and 936 in docs/boxes/: as
# the program shows it now (readable-*.png), and as it showed it before its boxes were readable
# there (before-*.png, from a build of the commit named, by default the one before that change).
#   tools/code-page-pictures.sh [COMMIT-BEFORE]
set -euo pipefail
cd "$(dirname "$0")/.."
before_commit=${1:-$(git log --format=%H -n 1 --grep='^Boxes readable on systems whose ANSI code page is not 932')~1}

tools/setup.sh
eval "$(bash tests/wine/mode.sh)"
build=build/$QV_PRESET
cmake --preset "$QV_PRESET" >/dev/null
cmake --build "$build" -j2 --target QvUninst qvdriver >/dev/null
tests/wine/make_prefix.sh "$build/wine/pristine" "$QV_WINE_MODE"
/usr/bin/python3 tests/e2e/code_page_pictures.py "$build" "$build/wine/pristine" docs/boxes readable

# The program as it was, with today's driver (the pictures and the locale are the harness's).
old=$(mktemp -d)
trap 'git worktree remove --force "$old/src" >/dev/null 2>&1; rm -rf "$old"' EXIT
git worktree add --detach "$old/src" "$before_commit" >/dev/null 2>&1
cmake -S "$old/src" -B "$old/build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$( [ "$QV_PRESET" = mingw ] && echo mingw-i686 || echo mingw-x86_64).cmake" >/dev/null
cmake --build "$old/build" -j2 --target QvUninst >/dev/null
mkdir -p "$old/run/tests/e2e"
cp "$old/build/QvUninst.exe" "$old/run/"
cp "$build/tests/e2e/qvdriver.exe" "$old/run/tests/e2e/"
/usr/bin/python3 tests/e2e/code_page_pictures.py "$old/run" "$build/wine/pristine" docs/boxes before

#!/usr/bin/env bash
# The shipped layer: runs QvUninst.exe and QvCheck.exe out of the release zip, byte for byte the
# files makers get, under 32-bit Wine, with the cases of tests/shipped/ in one prefix and session.
#   - natively where this host runs 32-bit x86 code and 32-bit Wine starts;
#   - else through emulation: 32-bit Wine in an i386 root under qemu-i386-static, in a private
#     namespace (tools/emulation32.sh); the root and a pristine prefix are built once, 11 to 20
#     minutes, and cached outside the checkout;
#   - QV_SHIPPED_WAY=native or emulation asks for one way.
# The release is the one in dist/ when this script built it for this commit and the working tree
# has no changes; else tools/release.sh builds it again (the same bytes: the release layer checks).
set -uo pipefail
cd "$(dirname "$0")/.."
here=$PWD
bash tools/setup.sh shipped || exit 1

# The release of this working tree.
stamp=build/shipped/release-of
state() { echo "$(git rev-parse HEAD) $(git status --porcelain --untracked-files=no | sha256sum | cut -c1-16)"; }
zip=$(ls dist/QvUninst-*-win32.zip 2>/dev/null | head -1)
if [ -z "$zip" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$(state) $(sha256sum <"$zip" | cut -c1-64)" ] ||
   [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "shipped: building the release of this working tree (tools/release.sh --no-tests)"
  mkdir -p build/shipped
  bash tools/release.sh --no-tests >build/shipped/release.log 2>&1 || { tail -20 build/shipped/release.log; exit 1; }
  zip=$(ls dist/QvUninst-*-win32.zip | head -1)
  echo "$(state) $(sha256sum <"$zip" | cut -c1-64)" >"$stamp"
fi
echo "shipped: $zip ($(sha256sum <"$zip" | cut -c1-16)...)"

# The harness's driver, built for 32-bit Windows like the product.
cmake --preset mingw >/dev/null && cmake --build --preset mingw --target qvdriver >/dev/null || exit 1

way=${QV_SHIPPED_WAY:-}
if [ -z "$way" ]; then
  if why=$(bash tools/runs-32-bit.sh) && why=$(bash tests/wine/mode.sh win32 2>&1 >/dev/null); then
    way=native why="this host runs 32-bit code and 32-bit Wine starts"
  else
    way=emulation why=${why#wine: the 32-bit way was asked for, but }
  fi
else
  why="asked for with QV_SHIPPED_WAY"
fi
case "$way" in
  native) echo "wine: shipped: 32-bit Wine natively ($why)" ;;
  emulation) echo "wine: shipped: 32-bit Wine of an i386 root under qemu-i386-static ($why)" ;;
  *) echo "shipped: unknown way '$way': QV_SHIPPED_WAY is native or emulation" >&2; exit 2 ;;
esac

work=$(mktemp -d /tmp/qv-shipped.XXXXXX)
cleanup() {
  [ "$way" != emulation ] || bash tools/emulation32.sh stop "$work"
  [ "${QV_E2E_KEEP:-}" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT
# The zip's files as makers unpack them, checked against the sums it carries.
mkdir "$work/dist"
unzip -q -j "$zip" '*/QvUninst.exe' '*/QvCheck.exe' '*/SHA256SUMS' -d "$work/dist" || exit 1
(cd "$work/dist" && grep -E '  Qv(Uninst|Check)\.exe$' SHA256SUMS | sha256sum -c --quiet) || exit 1
cp build/mingw/tests/e2e/qvdriver.exe "$work/"

if [ "$way" = emulation ]; then
  bash tools/emulation32.sh ensure || exit 1
  cp -a "$(bash tools/emulation32.sh dir)/prefix" "$work/prefix"
  bash tools/emulation32.sh start "$work" || exit 1
  mkdir "$work/bin"
  for tool in wine wineserver; do
    printf '#!/bin/sh\nexec bash %q exec %q %s "$@"\n' "$here/tools/emulation32.sh" "$work" "$tool" >"$work/bin/$tool"
    chmod +x "$work/bin/$tool"
  done
  loader=$work/bin/wine server=$work/bin/wineserver
else
  eval "$(bash tests/wine/mode.sh win32)" || exit 1
  bash tests/wine/make_prefix.sh build/shipped/pristine win32 || exit 1
  cp -a build/shipped/pristine "$work/prefix"
  loader=$WINELOADER server=$WINESERVER
fi

QV_SHIPPED_WORK=$work QV_SHIPPED_LOADER=$loader QV_SHIPPED_SERVER=$server QV_SHIPPED_WHY="$way: $why" \
  /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/shipped "$@"

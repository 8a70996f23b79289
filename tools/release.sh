#!/usr/bin/env bash
# Builds a release from this checkout and writes it to dist/:
#   QvUninst-VERSION-win32.zip            QvUninst.exe, QvCheck.exe, the script reference with its
#                                         pictures, the sample's Uninst.inf, README.txt, SHA256SUMS
#   qvcheck-VERSION-linux-x86_64.tar.gz   the optimised qvcheck, the same reference, sample, README
#                                         and SHA256SUMS
#   qvcheck_VERSION_amd64.deb             the same qvcheck as a Debian package, with its manual page,
#                                         reference, sample, README and copyright file
#   SHA256SUMS                            the three archives' checksums: sha256sum -c SHA256SUMS
# VERSION is the product version of src/common/version.h (2.09). The unit tests run on the
# optimised build first; --no-tests leaves them out (the second build of tools/test.sh release).
#
# Two runs on the same commit give the same bytes, in any folder and at any time: the programs
# hold no link time and no build path, every file and archive entry is dated at the commit
# (SOURCE_DATE_EPOCH, else the commit's date), owned by root, with fixed modes, in a fixed order.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
run_tests=1
case "${1:-}" in
  "") ;;
  --no-tests) run_tests=0 ;;
  *) echo "release: unknown option $1 (usage: tools/release.sh [--no-tests])" >&2; exit 2 ;;
esac

bash tools/setup.sh release

# Nothing of the builder's clock, zone, locale or umask reaches the files.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) || {
    echo "release: no commit to date the release by; set SOURCE_DATE_EPOCH" >&2
    exit 1
  }
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8
umask 022
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "release: the working tree has changes not committed: these files are not the commit's"
fi

# The version as the program shows it, from the one header that holds it.
version_of() {  # macro of src/common/version.h
  printf '#include "common/version.h"\n%s\n' "$1" | g++ -E -P -x c++ -I src - | tr -d '" '
}
version=$(version_of QV_PRODUCT_VERSION_TEXT)
file_version=$(version_of QV_FILE_VERSION_TEXT)
[[ "$version" =~ ^[0-9]+\.[0-9]+$ && "$file_version" =~ ^[0-9]+(\.[0-9]+){3}$ ]] ||
  { echo "release: no version in src/common/version.h ($version, $file_version)" >&2; exit 1; }
year=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y)
# A text of packaging/ with the release's version, file version, date and year filled in.
fill() {  # file
  sed "s/@VERSION@/$version/g; s/@FILEVERSION@/$file_version/g; s/@YEAR@/$year/g;
       s/@DATE@/$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)/g" "$1"
}
echo "release: QvUninst $version, commit date $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S') UTC"

# Fresh build trees: nothing of an earlier configuration is carried over.
jobs=$(nproc)
cmake --preset release-win32 --fresh >/dev/null
cmake --build --preset release-win32 -j "$jobs"
cmake --preset release-linux --fresh >/dev/null
if [ "$run_tests" = 1 ]; then
  cmake --build --preset release-linux -j "$jobs"
  # Their whole output only when one fails; else the summary.
  log=build/release-linux/unit-tests.log
  ctest --preset release-linux -j "$jobs" >"$log" 2>&1 || { cat "$log"; exit 1; }
  grep -E '^[0-9]+% tests passed' "$log"
else
  cmake --build --preset qvcheck -j "$jobs"
fi

stage=build/release-stage
win=QvUninst-$version-win32
linux=qvcheck-$version-linux-x86_64
rm -rf "$stage" dist
mkdir -p "$stage/$win" "$stage/$linux" dist

# The reference, the pictures it shows, the sample's script and the makers' README, in a folder.
add_common() {  # folder, line end of README.txt (lf or crlf)
  mkdir -p "$1/docs" "$1/samples/Sample"
  cp docs/script.md "$1/docs/"
  local picture
  for picture in $(grep -oE '\]\([^):#]+\.png\)' docs/script.md | sed 's/^](//; s/)$//' | sort -u); do
    mkdir -p "$1/docs/$(dirname "$picture")"
    cp "docs/$picture" "$1/docs/$picture"
  done
  cp samples/Sample/Uninst.inf "$1/samples/Sample/"
  if [ "$2" = crlf ]; then
    fill packaging/README.txt | sed 's/$/\r/' >"$1/README.txt"
  else
    fill packaging/README.txt >"$1/README.txt"
  fi
}

# SHA256SUMS of every other file below a folder, by name.
add_sums() {  # folder
  (cd "$1" && find . -type f ! -name SHA256SUMS -printf '%P\0' | sort -z | xargs -0 sha256sum >SHA256SUMS)
}

# Fixed modes and the commit's date on every file and folder.
settle() {  # folder
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

add_common "$stage/$win" crlf
cp build/release-win32/QvUninst.exe build/release-win32/QvCheck.exe "$stage/$win/"
add_sums "$stage/$win"
settle "$stage/$win"
# Entries in name order, no folder entries, no extra fields (owner, Unix times): each entry holds
# its name, mode and the commit's date and time (UTC: the zip format keeps no zone).
(cd "$stage" && find "$win" -type f | sort | zip -q -X -9 "$root/dist/$win.zip" -@)

add_common "$stage/$linux" lf
cp build/release-linux/qvcheck "$stage/$linux/"
add_sums "$stage/$linux"
settle "$stage/$linux"
chmod 0755 "$stage/$linux/qvcheck"
tar -C "$stage" --sort=name --format=gnu --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
  -cf - "$linux" | gzip -9 -n >"dist/$linux.tar.gz"

# The Debian package: qvcheck, its manual page, its reference, the sample as an example, a README
# that names just these, and the copyright file; it needs the C library of the newest version
# whose symbols it uses.
deb="$stage/deb"
doc="$deb/usr/share/doc/qvcheck"
mkdir -p "$deb/DEBIAN" "$deb/usr/bin" "$deb/usr/share/man/man1" "$doc/examples"
cp "$stage/$linux/qvcheck" "$deb/usr/bin/"
cp -r "$stage/$linux/docs/." "$doc/"
cp -r "$stage/$linux/samples/Sample" "$doc/examples/"
fill packaging/deb/README >"$doc/README"
fill packaging/deb/copyright >"$doc/copyright"
fill packaging/qvcheck.1 | gzip -9 -n >"$deb/usr/share/man/man1/qvcheck.1.gz"
glibc=$(objdump -T "$deb/usr/bin/qvcheck" | grep -oE 'GLIBC_[0-9.]+' | sed 's/GLIBC_//' | sort -uV | tail -1)
size_kib=$(find "$deb/usr" -type f -printf '%s\n' | awk '{ s += $1 } END { print int((s + 1023) / 1024) }')
cat >"$deb/DEBIAN/control" <<EOF
Package: qvcheck
Version: $version
Architecture: amd64
Maintainer: Quorvel Software
Installed-Size: $size_kib
Depends: libc6 (>= $glibc)
Section: devel
Priority: optional
Description: checks QvUninst uninstall scripts (Uninst.inf)
 Reads a product's uninstall script the way QvUninst's uninstall does, without changing
 anything, and reports each fault with its line, for build pipelines on Linux.
EOF
settle "$deb"
chmod 0755 "$deb/usr/bin/qvcheck"
dpkg-deb --root-owner-group -Zgzip --build "$deb" "dist/qvcheck_${version}_amd64.deb" >/dev/null

(cd dist && sha256sum "$win.zip" "$linux.tar.gz" "qvcheck_${version}_amd64.deb" >SHA256SUMS)
echo "release: dist/"
(cd dist && for f in *; do printf '  %-40s %9s bytes  %s\n' "$f" "$(stat -c %s "$f")" "$(sha256sum <"$f" | cut -d' ' -f1)"; done)

#!/usr/bin/env bash
# Two release builds of the checkout's commit, in two fresh clones at paths of different lengths,
# one after the other, under different time zones, locales and umasks: their dist/ folders must be
# byte for byte the same. The first build is the release command as makers run it (the unit tests
# included) and its archives' contents are checked (check_dist.py); the second leaves the unit
# tests out, which make no file of the release.
#   tests/release/reproduce.sh [WORK]   WORK (default build/release-check) is emptied first
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(realpath -m "${1:-$root/build/release-check}")"
commit=$(git -C "$root" rev-parse HEAD)
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
  echo "release: the clones build the commit ${commit:0:12}; changes not committed are not in them"
fi
rm -rf "$work"
first="$work/first/QvUninst"
second="$work/second/at/a/longer/path/qvuninst-source"

clone() {  # folder
  git init -q "$1"
  git -C "$1" fetch -q "$root" HEAD
  git -C "$1" checkout -q --detach FETCH_HEAD
}

clone "$first"
(cd "$first" && umask 022 && TZ=UTC LC_ALL=C.UTF-8 bash tools/release.sh)
# Cloned after the first build: its files are younger.
clone "$second"
(cd "$second" && umask 077 && TZ=Asia/Tokyo LC_ALL=ja_JP.UTF-8 bash tools/release.sh --no-tests)

# Where two archives differ: their listings, then the files inside that differ.
explain() {  # name
  local side dist
  for side in first second; do
    if [ "$side" = first ]; then dist="$first/dist"; else dist="$second/dist"; fi
    mkdir -p "$work/unpacked/$side"
    case "$1" in
      *.zip) (cd "$dist" && zipinfo -l -T "$1") >"$work/unpacked/$side.list"; unzip -q "$dist/$1" -d "$work/unpacked/$side" ;;
      *.tar.gz) tar -tvzf "$dist/$1" >"$work/unpacked/$side.list"; tar -xzf "$dist/$1" -C "$work/unpacked/$side" ;;
      *.deb) dpkg-deb -c "$dist/$1" >"$work/unpacked/$side.list"; dpkg-deb -R "$dist/$1" "$work/unpacked/$side" ;;
      *) : >"$work/unpacked/$side.list"; cp "$dist/$1" "$work/unpacked/$side/" ;;
    esac
  done
  diff "$work/unpacked/first.list" "$work/unpacked/second.list" | head -40 || true
  diff -r -q "$work/unpacked/first" "$work/unpacked/second" || true
  rm -rf "$work/unpacked"
}

status=0
if ! diff <(ls -A "$first/dist") <(ls -A "$second/dist"); then
  echo "release: the two builds wrote different files"
  status=1
fi
for path in "$first"/dist/*; do
  name=$(basename "$path")
  [ -f "$second/dist/$name" ] || continue
  if cmp -s "$path" "$second/dist/$name"; then
    echo "release: $name: the same bytes in both builds"
  else
    echo "release: $name differs between the builds:"
    explain "$name"
    status=1
  fi
done

/usr/bin/python3 "$first/tests/release/check_dist.py" "$first/dist" "$first" || status=1
exit "$status"

#!/usr/bin/env bash
# tools/setup.sh when `apt-get update` fails: one more source names a suite that does not exist,
# so every update fails as it does while a mirror syncs. Setup must go on with the lists at hand
# when they hold what it needs, and stop with a clear message when they do not. The install is
# only simulated: the host is left as it was.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir "$work/sources"
cp /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list "$work/sources/" 2>/dev/null
echo "deb http://deb.debian.org/debian qv-no-such-suite main" >"$work/sources/qv-broken.list"
echo "Dir::Etc::SourceParts \"$work/sources\";" >"$work/apt.conf"
export APT_CONFIG="$work/apt.conf" QV_APT_TRIES=2 QV_APT_PAUSE=0 QV_SETUP_SIMULATE=1

failures=0
case_() {  # name, wanted exit code, wanted text, extra package
  local out status
  out=$(QV_SETUP_EXTRA="$4" bash "$root/tools/setup.sh" release 2>&1)
  status=$?
  if [ "$status" -eq "$2" ] && [[ "$out" == *"apt-get update failed 2 times"* ]] && [[ "$out" == *"$3"* ]]; then
    echo "ok: $1"
  else
    echo "FAILED: $1 (exit code $status, wanted $2 and '$3'):"; echo "$out" | sed 's/^/  /'
    failures=$((failures + 1))
  fi
}

# hello is in Debian's lists and in no set of setup's.
case_ "a package the lists at hand have is installed" 0 "going on with the package lists at hand" hello
case_ "a package they lack stops setup, saying why" 1 "setup: stopped: the package lists could not be brought up to date" qv-no-such-package
[ $failures -eq 0 ]

#!/usr/bin/env bash
# Installs the Debian packages that building and testing QvUninst needs, and the locales that the
# Wine layers run under. Idempotent: quiet and quick when everything is present.
#   tools/setup.sh           everything the tests need: the build tools, Wine (32-bit Wine only
#                            where this host runs 32-bit programs), a Japanese font, the locales
#                            ja_JP.UTF-8, en_US.UTF-8 and zh_CN.UTF-8
#   tools/setup.sh release   only what tools/release.sh needs: the build tools and archivers
#   tools/setup.sh shipped   what tools/shipped.sh needs besides the set above (32-bit Wine
#                            where it can run, from that set): the build tools, a display, pytest,
#                            and qemu-user-static and debootstrap for the emulated i386 root (the
#                            package registers no i386 handler on an x86-64 host)
#
# A package mirror out of step (an index of the wrong size while the mirror syncs) makes
# `apt-get update` fail. It is tried again; if it still fails, setup goes on with the package
# lists at hand, and stops with a clear message only when what it needs cannot be installed from
# them. 32-bit Wine (wine32:i386) is left out when it cannot be installed: the Wine layers then
# take the 64-bit way, and their `wine:` line says why.
#   QV_APT_TRIES (3), QV_APT_PAUSE (5 s)   how often and how far apart `apt-get update` is tried
#   QV_SETUP_EXTRA                         further packages (the tests of this script)
#   QV_SETUP_SIMULATE=1                    apt-get only simulates the install (the same tests)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

build_tools=(
  cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  zip unzip tzdata locales
)
case "${1:-tests}" in
  tests)
    packages=("${build_tools[@]}"
      clang clang-format libclang-rt-14-dev
      g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
      wine wine64 xvfb xdotool xauth fonts-ipafont-gothic
      python3 python3-pytest icoutils)
    wanted_locales=(ja_JP en_US zh_CN)
    # 32-bit Wine only runs where the kernel runs 32-bit programs.
    if bash "$here/runs-32-bit.sh" >/dev/null; then packages+=(wine32:i386); fi ;;
  release)
    packages=("${build_tools[@]}")
    # The release layer's second build runs under this locale: nothing of it may reach the files.
    wanted_locales=(ja_JP) ;;
  shipped)
    packages=("${build_tools[@]}" xvfb xauth python3 python3-pytest qemu-user-static debootstrap)
    wanted_locales=(ja_JP en_US) ;;
  *) echo "setup: unknown set '$1' (usage: tools/setup.sh [release|shipped])" >&2; exit 2 ;;
esac
read -r -a extra <<<"${QV_SETUP_EXTRA:-}"
packages+=("${extra[@]}")

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# apt-get update, tried again while it fails; the last failure's errors are printed.
update_lists() {
  local try tries=${QV_APT_TRIES:-3} log
  log=$(mktemp)
  for ((try = 1; try <= tries; try++)); do
    if sudo_ apt-get update -qq >"$log" 2>&1; then rm -f "$log"; return 0; fi
    [ "$try" -eq "$tries" ] || sleep "${QV_APT_PAUSE:-5}"
  done
  echo "setup: apt-get update failed $tries times; going on with the package lists at hand:"
  grep -E '^(E|W):' "$log" | head -5 | sed 's/^/  /'
  rm -f "$log"
  return 1
}

install_packages() {  # package...
  local simulate=()
  [ "${QV_SETUP_SIMULATE:-0}" != 1 ] || simulate=(--simulate)
  DEBIAN_FRONTEND=noninteractive sudo_ apt-get install -y -qq --no-install-recommends \
    "${simulate[@]}" "$@" >/dev/null
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    sudo_ dpkg --add-architecture i386
  fi
  updated=1
  update_lists || updated=0
  if ! install_packages "${missing[@]}"; then
    # Without 32-bit Wine the Wine layers take the 64-bit way; everything else is needed.
    rest=()
    for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
    if [ ${#rest[@]} -lt ${#missing[@]} ] && { [ ${#rest[@]} -eq 0 ] || install_packages "${rest[@]}"; }; then
      echo "setup: wine32:i386 cannot be installed now; the Wine layers take the 64-bit way"
    else
      if [ "$updated" = 0 ]; then
        echo "setup: stopped: the package lists could not be brought up to date, and the ones at hand" \
          "do not have all of: ${rest[*]}. The mirror may be in the middle of a sync: try again later." >&2
      else
        echo "setup: stopped: apt-get could not install: ${rest[*]}" >&2
      fi
      exit 1
    fi
  fi
fi

absent=()
for l in "${wanted_locales[@]}"; do
  locale -a 2>/dev/null | grep -qi "^$l\.utf-\?8\$" || absent+=("$l")
done
if [ ${#absent[@]} -gt 0 ]; then
  echo "setup: generating the locales ${absent[*]/%/.UTF-8}"
  for l in "${absent[@]}"; do
    sudo_ sed -i "s/^# *\($l.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" | sudo_ tee -a /etc/locale.gen >/dev/null
  done
  sudo_ locale-gen >/dev/null
fi

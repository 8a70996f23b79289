#!/usr/bin/env bash
# Installs every Debian package that building and testing QvUninst needs (a Japanese font among
# them, so boxes under Wine show their texts as on a Japanese Windows), and the locales that the
# Wine layers run under (ja_JP.UTF-8; en_US.UTF-8 and zh_CN.UTF-8 for the boxes on systems of
# other code pages). Idempotent: quiet and quick when everything is present.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest libgtest-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xdotool xauth locales
  fonts-ipafont-gothic
  python3 python3-pytest icoutils
  zip unzip
  tzdata
)

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    sudo_ dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  sudo_ apt-get update -qq
  sudo_ apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Wine layers run under Japanese (code page 932), and some cases under a Western (1252) and a
# Chinese (936) locale, whose boxes the program shows in UTF-16.
wanted_locales=(ja_JP en_US zh_CN)
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

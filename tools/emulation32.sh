#!/usr/bin/env bash
# Runs 32-bit Windows programs under Debian's 32-bit Wine on a host whose kernel cannot run 32-bit
# x86 code: an i386 Debian root whose programs run through qemu-i386-static, in a private user,
# mount and PID namespace that has its own binfmt_misc (Linux 6.7 and later). The host's binfmt
# registrations and its Wine are never touched.
#
#   emulation32.sh dir            the cache folder of this recipe (root/ and prefix/ inside)
#   emulation32.sh ensure         builds the i386 root and a pristine 32-bit Japanese prefix into
#                                 the cache folder unless they are there; progress on stdout
#   emulation32.sh start WORK     starts a namespace with the root, WORK mounted at /work in it;
#                                 it lives until `stop WORK`
#   emulation32.sh exec WORK CMD  runs CMD in the root of that namespace, with WINE*, LC_ALL, LANG,
#                                 DISPLAY and TZ passed on and the guest space every Wine process needs
#   emulation32.sh stop WORK      ends the namespace and everything in it
#
# The cache is keyed by what it is made of: the recipe's version, the suite, the mirror and the
# packages. QV_EMULATION32_CACHE moves it (default /var/cache/qvuninst/emulation32).
set -euo pipefail

recipe=1
suite=bookworm
packages=wine,wine32,locales,fonts-ipafont-gothic
# The host's own Debian mirror; the root needs no i386 index on the host.
mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
mirror=${mirror:-http://deb.debian.org/debian}
key=$(printf '%s\n' "recipe=$recipe" "suite=$suite" "mirror=$mirror" "packages=$packages" | sha256sum | cut -c1-16)
cache=${QV_EMULATION32_CACHE:-/var/cache/qvuninst/emulation32}/$key
# qemu walks Wine's reserved ranges page by page with its default guest space (about 53 s of CPU
# per Wine process against 15 s with this one).
guest_space=0x90000000
binfmt=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F'

say() { echo "emulation32: $*"; }

# Starts `bash -c SCRIPT ARGS` as PID 1 of a new user, mount and PID namespace whose user ids are
# the host's (written from outside), with qemu-i386 registered in its own binfmt_misc. Prints the
# namespace's PID 1 as the host sees it.
namespace() {  # script args...
  local inner='until [ -n "$(cat /proc/self/gid_map)" ]; do sleep 0.05; done
    mount --make-rprivate /
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    printf "%b" "$QV_BINFMT" >/proc/sys/fs/binfmt_misc/register
    eval "$0"'
  QV_BINFMT=$binfmt setsid unshare --user --mount --pid --fork bash -c "$inner" "$@" </dev/null >&2 9>&- &
  local outer=$! pid= i
  for ((i = 0; i < 200; i++)); do
    pid=$(cat "/proc/$outer/task/$outer/children" 2>/dev/null | awk '{print $1}') || true
    [ -z "$pid" ] || break
    sleep 0.05
  done
  [ -n "$pid" ] || { say "the namespace did not start" >&2; return 1; }
  echo '0 0 4294967295' >"/proc/$pid/uid_map"
  echo '0 0 4294967295' >"/proc/$pid/gid_map"
  echo "$pid"
}

# Mounts what programs in the root need (run inside the namespace, ROOT as $1, WORK as $2).
mounts='r=$1
  mount -t proc proc "$r/proc"
  mount -t devpts -o newinstance,ptmxmode=0666 devpts "$r/dev/pts"
  for d in dev/shm tmp run; do mount -t tmpfs tmpfs "$r/$d"; done
  if [ -n "${2:-}" ]; then mkdir -p "$r/work"; mount --bind "$2" "$r/work"; fi'

in_root() {  # root command... (inside the namespace, with a clean environment)
  local r=$1; shift
  chroot "$r" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root \
    QEMU_RESERVED_VA=$guest_space "$@"
}

# Waits for the namespace's PID 1 to end, saying every minute how far the log has come.
await() {  # pid what log
  local start=$SECONDS next=60
  while kill -0 "$1" 2>/dev/null; do
    sleep 2
    if ((SECONDS - start >= next)); then
      say "$2: $((SECONDS - start)) s, at: $(tail -1 "$3" 2>/dev/null | cut -c1-70)"
      next=$((next + 60))
    fi
  done
}

build_root() {
  local root=$cache/root start=$SECONDS
  rm -rf "$root"; mkdir -p "$root"
  say "building the i386 root ($suite, $packages) from $mirror into $root: about 10 minutes"
  debootstrap --arch=i386 --foreign --variant=minbase --include="$packages" "$suite" "$root" "$mirror" \
    >"$cache/debootstrap.log" 2>&1 || { tail -5 "$cache/debootstrap.log"; return 1; }
  say "first stage done after $((SECONDS - start)) s; second stage under emulation"
  cp /usr/bin/qemu-i386-static "$root/usr/bin/"
  # The second stage makes device nodes unless it knows it runs in a container.
  local pid
  pid=$(namespace "$mounts"'
    chroot "$r" /usr/bin/env -i PATH=/usr/bin:/bin:/usr/sbin:/sbin HOME=/root container=lxc \
      /debootstrap/debootstrap --second-stage >>"$3" 2>&1 &&
    sed -i "s/^# *\(ja_JP.UTF-8 UTF-8\)/\1/;s/^# *\(en_US.UTF-8 UTF-8\)/\1/" "$r/etc/locale.gen" &&
    chroot "$r" /usr/bin/env -i PATH=/usr/bin:/bin:/usr/sbin:/sbin locale-gen >>"$3" 2>&1 &&
    touch "$r/.qv-second-stage"' "$root" "" "$cache/debootstrap.log") || return 1
  await "$pid" "second stage" "$cache/debootstrap.log"
  [ -e "$root/.qv-second-stage" ] || { say "the second stage failed:"; tail -5 "$cache/debootstrap.log"; return 1; }
  rm -rf "$root/var/cache/apt/archives/"*.deb "$root/var/lib/apt/lists/"*
  say "i386 root done after $((SECONDS - start)) s"
  touch "$cache/root.ok"
}

build_prefix() {
  local start=$SECONDS pid
  rm -rf "$cache/prefix" "$cache/work"; mkdir -p "$cache/work"
  say "booting a pristine 32-bit prefix (ja_JP.UTF-8) under emulation"
  pid=$(namespace "$mounts"'
    chroot "$r" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root QEMU_RESERVED_VA='$guest_space' \
      WINEARCH=win32 WINEPREFIX=/work/prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 \
      WINEDLLOVERRIDES="mscoree,mshtml=" sh -c "wine wineboot -i && wine reg add \"HKCU\\\\Software\\\\Wine\\\\X11 Driver\" /v Managed /t REG_SZ /d N /f && wineserver -w" >"$3" 2>&1 &&
    touch "$2/prefix.ok"' "$cache/root" "$cache/work" "$cache/prefix.log") || return 1
  await "$pid" "prefix" "$cache/prefix.log"
  [ -e "$cache/work/prefix.ok" ] && [ -f "$cache/work/prefix/system.reg" ] ||
    { say "the prefix could not be made:"; tail -5 "$cache/prefix.log"; return 1; }
  # As tests/wine/make_prefix.sh does: links to the home folder become empty folders.
  find "$cache/work/prefix/drive_c" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
    rm "$link" && mkdir "$link"
  done
  mv "$cache/work/prefix" "$cache/prefix"; rm -rf "$cache/work"
  say "prefix done after $((SECONDS - start)) s"
  touch "$cache/prefix.ok"
}

ensure() {
  mkdir -p "$cache"
  exec 9>"$cache.lock"
  flock 9
  if [ -e "$cache/root.ok" ] && [ -e "$cache/prefix.ok" ]; then
    say "cached root and prefix: $cache"; return 0
  fi
  [ -e "$cache/root.ok" ] || build_root
  rm -f "$cache/prefix.ok"
  build_prefix
  say "cached for later runs: $cache ($(du -sh "$cache" | cut -f1))"
}

# The namespace of a session: its PID 1 as the host sees it, written by `start`.
session_pid() {  # work
  local pid
  pid=$(cat "$1/.emulation32-pid" 2>/dev/null) && [ -d "/proc/$pid" ] ||
    { say "no session runs for $1 (emulation32.sh start $1)" >&2; return 1; }
  echo "$pid"
}

# The root is mounted read-only: nothing a run does reaches the cache. WORK appears at its own
# path, inside the root's /tmp, so that paths mean the same inside and outside.
start() {  # work
  local work=$1 pid
  [ -e "$cache/root.ok" ] || { say "no root in $cache (emulation32.sh ensure)" >&2; return 1; }
  [[ "$work" == /tmp/?* ]] || { say "the work folder must lie below /tmp: $work" >&2; return 1; }
  rm -f "$work/.emulation32-ready"
  pid=$(namespace 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && '"$mounts"'
    mkdir -p "$r$2" && mount --bind "$2" "$r$2" && touch "$2/.emulation32-ready" || exit 1
    trap "" TERM
    while :; do sleep 3600 & wait; done' "$cache/root" "$work") || return 1
  echo "$pid" >"$work/.emulation32-pid"
  local i
  for ((i = 0; i < 200; i++)); do
    [ -e "$work/.emulation32-ready" ] && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  say "the session's namespace did not come up" >&2; kill -9 "$pid" 2>/dev/null; return 1
}

# Enters the namespace and the root, with a clean environment but what Wine runs need.
run_in() {  # work command...
  local work=$1 pid name; shift
  pid=$(session_pid "$work") || return 1
  local pass=(HOME="$work/home" QEMU_RESERVED_VA=$guest_space)
  for name in WINEPREFIX WINEDEBUG WINEDLLOVERRIDES WINEARCH LC_ALL LANG DISPLAY TZ; do
    [ -z "${!name+set}" ] || pass+=("$name=${!name}")
  done
  mkdir -p "$work/home"
  # Inside the root only the work folder is the host's: a current folder elsewhere becomes /.
  local here=/
  [[ "$PWD/" != "$work/"* ]] || here=$PWD
  exec nsenter --target "$pid" --user --mount --pid -- \
    chroot "$cache/root" /usr/bin/env -i -C "$here" PATH=/usr/bin:/bin "${pass[@]}" "$@"
}

stop() {  # work: PID 1 takes every process of the namespace with it
  local pid
  pid=$(session_pid "$1" 2>/dev/null) || return 0
  kill -9 "$pid"
  while [ -d "/proc/$pid" ]; do sleep 0.05; done
  rm -f "$1/.emulation32-pid" "$1/.emulation32-ready"
}

case "${1:-}" in
  dir) echo "$cache" ;;
  ensure) ensure ;;
  start) start "${2:?work folder}" ;;
  exec) run_in "${2:?work folder}" "${@:3}" ;;
  stop) stop "${2:?work folder}" ;;
  *) echo "usage: emulation32.sh dir|ensure|start WORK|exec WORK CMD...|stop WORK" >&2; exit 2 ;;
esac

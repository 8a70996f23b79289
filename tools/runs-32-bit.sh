#!/usr/bin/env bash
# Tells whether this host's kernel runs 32-bit x86 programs: exit code 0 when it does, else 1
# with the reason on stdout. It starts a 93-byte 32-bit ELF program that only ends (exit(0) by
# int 0x80), so it needs no 32-bit library, compiler or Wine.
set -uo pipefail

probe=$(mktemp "${TMPDIR:-/tmp}/qv-runs32.XXXXXX")
trap 'rm -f "$probe"' EXIT
# ELF header (52 bytes), one loadable segment (32 bytes), then: mov eax, 1; xor ebx, ebx; int 0x80
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >>"$probe"
chmod 0700 "$probe"

# bash, not timeout's own exec, reports a program the kernel cannot run ("Exec format error").
out=$(timeout 10 bash -c '"$0"' "$probe" 2>&1) && exit 0
status=$?
out=${out%%$'\n'*}
out=${out##*: }
echo "this host's kernel does not run 32-bit x86 programs (${out:-exit code $status})"
exit 1

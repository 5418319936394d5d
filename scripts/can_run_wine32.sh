#!/usr/bin/env bash
# Answers 0 when this machine can run 32-bit wine, 1 when it cannot.
#
# The kernel is asked first, without wine: a 96-byte static 32-bit program that only exits with
# status 42 through the i386 system call gate is written and started. Some virtual machines'
# kernels refuse it ("Exec format error"), and a shell falling back to reading it as a script
# cannot produce 42, so the answer cannot be fooled. With --kernel only that question is answered
# (set-up asks it before installing anything 32-bit); otherwise the 32-bit wine loader must also
# be installed and start.
#
# AGG_WINE32=no makes the answer no on any machine, so that the wine64 path of the tests, the
# demo and set-up can be run where 32-bit wine works too.
kernel_only=0
[ "${1:-}" = "--kernel" ] && kernel_only=1
[ "${AGG_WINE32:-}" = no ] && exit 1

probe=$(mktemp "${TMPDIR:-/tmp}/agg-elf32.XXXXXX") || exit 1
trap 'rm -f "$probe"' EXIT
printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'\
'\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00'\
'\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
[ $? -eq 42 ] || exit 1
[ $kernel_only -eq 1 ] && exit 0

loader=/usr/lib/wine/wine
[ -x "$loader" ] || exit 1
"$loader" --version >/dev/null 2>&1

#!/usr/bin/env bash
# Prints the Windows build whose programs this machine can run under wine: win32 (the product)
# where the kernel starts 32-bit programs, else win64 (the same sources for 64-bit Windows).
if bash "$(dirname "$0")/can_run_wine32.sh"; then echo win32; else echo win64; fi

#!/usr/bin/env bash
# Answers 0 when this machine can run 32-bit wine: its kernel must be able to start the 32-bit
# wine loader, which some virtual machines' kernels refuse ("Exec format error").
loader=/usr/lib/wine/wine
[ -x "$loader" ] || exit 1
"$loader" --version >/dev/null 2>&1

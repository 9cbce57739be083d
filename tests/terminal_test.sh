#!/bin/bash
# SPDX-License-Identifier: MIT
# dlfgen on a terminal: every message shows the moment it is printed.
#
# usage: terminal_test.sh path/to/dlfgen version
source "$(dirname "$0")/harness.sh" "$@"
command -v script >/dev/null || skip "script (util-linux) is not installed"
[[ -c /dev/ptmx ]] || skip "no pseudo-terminals (/dev/ptmx)"

# On a terminal the unended process line shows before the error about its
# file; the terminal turns each line end into CR LF.
terminal=$(cd "$work" && mkdir -p tty && cd tty && make_fixtures &&
  script -qec "${DLFGEN_RUNNER:-} dlfgen -p a.bin,missing.bin" /dev/null)
want=$'process 1:     a.bin (0x00000100)\r\nprocess 2:     missing.bin unable to open missing.bin\r\nMOX0'
check "terminal output order" eval '[[ $terminal == "$want"* ]]' ||
  printf '%s\n' "$terminal" | cat -A

finish

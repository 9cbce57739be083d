#!/bin/bash
# SPDX-License-Identifier: MIT
# The built tool loads the C library and nothing else: no C++ runtime,
# dynamic or linked in.
#
# usage: runtime_libraries_test.sh path/to/dlfgen
set -u
if [[ $# != 1 || ! -f $1 ]]; then
  echo "usage: runtime_libraries_test.sh path/to/dlfgen" >&2
  exit 2
fi
for tool in readelf nm; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool (binutils) is not installed"; exit 77; }
done
failed=0
needed=$(readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | paste -sd' ')
echo "NEEDED: $needed"
[[ $needed == libc.so.6 ]] || { echo "FAIL: needs more than libc.so.6"; failed=1; }
# A static copy of the C++ runtime would show as its symbols.
copied=$(nm -C "$1" 2>/dev/null | grep -v '@GLIBC' | grep -cE ' (std::|__cxa_|__gxx_)' || true)
[[ $copied == 0 ]] || { echo "FAIL: $copied symbols of the C++ runtime are linked in"; failed=1; }
exit "$failed"

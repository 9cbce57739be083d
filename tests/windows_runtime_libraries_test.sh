#!/bin/bash
# SPDX-License-Identifier: MIT
# dlfgen.exe loads Windows' own DLLs and nothing else: no DLL of MinGW's
# (libgcc, libstdc++, libwinpthread), and no C++ runtime linked in.
#
# usage: windows_runtime_libraries_test.sh path/to/dlfgen.exe objdump nm
set -u
if [[ $# != 3 || ! -f $1 ]]; then
  echo "usage: windows_runtime_libraries_test.sh path/to/dlfgen.exe objdump nm" >&2
  exit 2
fi
exe=$1
for tool in "$2" "$3"; do
  [[ -x $tool ]] || command -v "$tool" >/dev/null ||
    { echo "SKIP: $tool (binutils-mingw-w64-x86-64) is not installed"; exit 77; }
done
failed=0
dlls=$("$2" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | paste -sd' ')
echo "DLL Name: $dlls"
[[ -n $dlls ]] || { echo "FAIL: no DLL found: is $exe a PE program?"; failed=1; }
# The system's own: KERNEL32 and the C library, msvcrt.dll or the
# Universal CRT (ucrtbase.dll and its api-ms-win-crt-* sets).
for dll in $dlls; do
  shopt -s nocasematch
  [[ $dll =~ ^(kernel32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll$ ]] ||
    { echo "FAIL: $dll is not one of Windows' own"; failed=1; }
  shopt -u nocasematch
done
# A static copy of the C++ runtime would show as its symbols.
copied=$("$3" -C "$exe" 2>/dev/null | grep -cE ' (std::|__cxa_|__gxx_)' || true)
[[ $copied == 0 ]] || { echo "FAIL: $copied symbols of the C++ runtime are linked in"; failed=1; }
exit "$failed"

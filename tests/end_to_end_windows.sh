#!/bin/bash
# SPDX-License-Identifier: MIT
# End-to-end cases that only Windows has, one line each (see harness.sh for
# t), run with the Windows build under Wine: backslashes, names beyond the
# ANSI code pages, drive letters, the program's own name, NUL, CON and
# folders.
#
# usage: end_to_end_windows.sh path/to/dlfgen.exe version
# with DLFGEN_RUNNER (tests/wine_run.sh and its prefix) and
# DLFGEN_WINE_PREFIX, the same prefix, whose drive y: is mapped to the
# case's folder.
source "$(dirname "$0")/harness.sh" "$@"
((windows)) || { echo "usage: end_to_end_windows.sh path/to/dlfgen.exe version" >&2; exit 2; }
[[ -n ${DLFGEN_WINE_PREFIX:-} && -d $DLFGEN_WINE_PREFIX/dosdevices ]] ||
  skip "DLFGEN_WINE_PREFIX names no Wine prefix"

# y: is the case's folder, as a drive of its own; q: is no drive.
ln -sfn "$work/case" "$DLFGEN_WINE_PREFIX/dosdevices/y:" || exit 2
trap 'rm -f "$DLFGEN_WINE_PREFIX/dosdevices/y:"; rm -rf "$work"' EXIT
[[ ! -e $DLFGEN_WINE_PREFIX/dosdevices/q: ]] || skip "drive q: is mapped in $DLFGEN_WINE_PREFIX"

pa=$'process 1:     a.bin (0x00000100)\n'
done_out=$'Generated out.dlf\n'

# --- Backslashes --------------------------------------------------------

SETUP='mkdir sub && cp b.bin sub/' LAYOUT=sub/out.dlf t "backslash separates folders, kept as given" 0 \
  $'process 1:     sub\\b.bin (0x00000021)\nprocess 2:     .\\a.bin (0x00000100)\n'"$banner"$'Generated sub\\out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"sub\\b.bin"\r\n0x0000000000000040,".\\a.bin"\r\n0x0000000000000140,""\r\n' \
  -p 'sub\b.bin,.\a.bin' -o 'sub\out.dlf'
SETUP='mkdir sub' t "backslash and slash mixed" 0 \
  $'process 1:     sub\\..\\a.bin (0x00000100)\nprocess 2:     sub/..\\b.bin (0x00000021)\n'"$banner$done_out" "" \
  $'v1.00\r\n0x0000000000000000,"sub\\..\\a.bin"\r\n0x0000000000000100,"sub/..\\b.bin"\r\n0x0000000000000140,""\r\n' \
  -p 'sub\..\a.bin,sub/..\b.bin' -o out.dlf

# --- Names beyond the ANSI code pages, as UTF-8 -------------------------

# 引导 and 配置 (Chinese), 🙂 (past U+FFFF: a surrogate pair in UTF-16),
# and 布局 (the output).
SETUP='cp a.bin 引导.bin && cp b.bin 🙂.bin' LAYOUT=布局.dlf t "UTF-8 names read, opened and written" 0 \
  $'process 1:     引导.bin (0x00000100)\nprocess 2:     🙂.bin (0x00000021)\n'"$banner"$'Generated 布局.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"引导.bin"\r\n0x0000000000000100,"🙂.bin"\r\n0x0000000000000140,""\r\n' \
  -p 引导.bin,🙂.bin -o 布局.dlf
SETUP='cp a.bin 引导.bin' t "UTF-8 esf name in compat" 0 \
  $'esf file name: 配置.esf\nprocess 1:     引导.bin (0x00000100)\n'"$banner$done_out" "" \
  $'v2.00\r\nZUN_CONFIG_FILE,"配置.esf"\r\n0x0000000000000000,"引导.bin"\r\n0x0000000000000100,""\r\n' \
  -c -s 配置.esf -p 引导.bin -o out.dlf
t "missing UTF-8 name" 1 $'process 1:     缺少.bin '"$banner$usage" $'unable to open 缺少.bin\n' - -p 缺少.bin -o out.dlf

# --- Drive letters ------------------------------------------------------

SETUP='mkdir sub && cp b.bin sub/' t "drive-letter form through a real drive" 0 \
  $'process 1:     y:/a.bin (0x00000100)\nprocess 2:     Y:/sub/b.bin (0x00000021)\n'"$banner"$'Generated y:/out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"y:/a.bin"\r\n0x0000000000000100,"Y:/sub/b.bin"\r\n0x0000000000000140,""\r\n' \
  -p //y/a.bin,//Y/sub/b.bin -o //y/out.dlf
t "drive that does not exist" 1 $'process 1:     q:/a.bin '"$banner$usage" $'unable to open q:/a.bin\n' - \
  -p //q/a.bin -o out.dlf
t "output on a drive that does not exist" 1 "$pa$banner" "$prog"$': unable to open img output file\n' - \
  -p a.bin -o //q/out.dlf
t "folder through a drive" 1 $'process 1:     y:/adir '"$banner$usage" $'unable to open y:/adir\n' - -p //y/adir -o out.dlf

# --- The program's name: argv[0] as Windows passes it -------------------

# Started from a folder whose name has a space and characters beyond the
# ANSI code pages, it names itself by that path in the usage line and the
# messages that carry its name.
tool_folder="$work/bin/ツール 1"
mkdir "$tool_folder" && ln -s "$dlfgen" "$tool_folder/dlfgen.exe" || exit 2
named=$(windows_name "$tool_folder/dlfgen.exe") || exit 2
named_usage="usage: $named [args]${usage#"usage: $prog [args]"}"
[[ $named == *'ツール 1\dlfgen.exe' && $named_usage != "$usage" ]] || { echo "Windows name: $named"; exit 2; }

PROGRAM=$tool_folder/dlfgen.exe t "usage line names the program" 0 "$named_usage" "" - -h
PROGRAM=$tool_folder/dlfgen.exe t "usage line after a refused run" 1 "$pa$banner$named_usage" $'unknown option ?\n' - -p a.bin x
PROGRAM=$tool_folder/dlfgen.exe t "output error names the program" 1 "$pa$banner" \
  "$named"$': unable to open img output file\n' - -p a.bin -o nodir/out.dlf
PROGRAM=$tool_folder/dlfgen.exe t "layout error names the program" 1 $'offset 1:     0xffffffff\n'"$pa$banner" \
  "$named"$': layout does not fit in 32-bit offsets\n' - -l 0xffffffff -p a.bin -o out.dlf

# --- Devices and folders ------------------------------------------------

t "NUL measured as 0, in any case" 0 \
  "$pa"$'process 2:     NUL (0x00000000)\nprocess 3:     nul (0x00000000)\nprocess 4:     b.bin (0x00000021)\n'"$banner$done_out" "" \
  $'v1.00\r\n0x0000000000000000,"a.bin"\r\n0x0000000000000100,"NUL"\r\n0x0000000000000100,"nul"\r\n0x0000000000000100,"b.bin"\r\n0x0000000000000140,""\r\n' \
  -p a.bin,NUL,nul,b.bin -o out.dlf
LAYOUT=NUL t "layout written to NUL, no file made" 0 "$pa$banner"$'Generated NUL\n' "" - -p a.bin -o NUL
TIMEOUT=5 t "CON refused without waiting" 1 "$pa"$'process 2:     CON '"$banner$usage" $'unable to open CON\n' - \
  -p a.bin,CON,b.bin -o out.dlf
TIMEOUT=5 t "CONIN\$ refused without waiting" 1 $'process 1:     CONIN$ '"$banner$usage" $'unable to open CONIN$\n' - \
  -p 'CONIN$' -o out.dlf
t "folder with a backslash refused" 1 $'process 1:     adir\\ '"$banner$usage" $'unable to open adir\\\n' - -p 'adir\' -o out.dlf
t "current folder refused" 1 $'process 1:     . '"$banner$usage" $'unable to open .\n' - -p . -o out.dlf
t "folder as the output" 1 "$pa$banner" "$prog"$': unable to open img output file\n' - -p a.bin -o adir

# A file size limit makes Wine's WriteFile fail on a regular file, as a
# full disk does on Windows: what was written must not stay behind.
fill_list='for i in $(seq 256); do printf x >f$i.bin; done'
files256=$(printf 'f%d.bin,' $(seq 256))
SETUP="$fill_list; printf old >out.dlf" LIMITS='ulimit -f 1' t "failed write: partial layout removed" 1 \
  "" "$prog"$': unable to write img output file\n' - -q -p "$files256" -o out.dlf

# On a console, CON opens as the console: it is refused all the same, at
# once, and nothing is read from the terminal.
if command -v script >/dev/null && [[ -c /dev/ptmx ]]; then
  rm -rf "$work/case" && mkdir "$work/case" && (cd "$work/case" && make_fixtures)
  (cd "$work/case" && timeout 20 script -qec "${DLFGEN_RUNNER} '$work/bin/dlfgen.exe' -q -p CON 2>err.txt" /dev/null \
    >/dev/null </dev/null)
  status=$?
  check "CON on a console refused at once" \
    eval '[[ $status == 1 ]] && cmp -s "$work/case/err.txt" <(printf "unable to open CON\r\n")'
else
  not_run+=("CON on a console: no pseudo-terminal (script, /dev/ptmx)")
fi

finish

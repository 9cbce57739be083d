#!/bin/bash
# SPDX-License-Identifier: MIT
# End-to-end cases for dlfgen, one line each (see harness.sh for t).
#
# usage: end_to_end.sh path/to/dlfgen version
source "$(dirname "$0")/harness.sh" "$@"

# Lines that recur below.
pa=$'process 1:     a.bin (0x00000100)\n'
pb2=$'process 2:     b.bin (0x00000021)\n'
layout_a=$'v1.00\r\n0x0000000000000000,"a.bin"\r\n0x0000000000000100,""\r\n'
# Why the c: folder of the fixtures stands for no drive on Windows.
drive_c_is_a_drive="c: is drive C: on Windows, not the case's folder c:; end_to_end_windows.sh maps a drive to it"

# --- Runs that write a layout -------------------------------------------

POSIX_ONLY=$drive_c_is_a_drive \
  t "typical run, drive-letter names" 0 \
  $'process 1:     c:/work/a.bin (0x00000100)\nprocess 2:     c:/work/b.bin (0x00000021)\n'"$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"c:/work/a.bin"\r\n0x0000000000000100,"c:/work/b.bin"\r\n0x0000000000000140,""\r\n' \
  -p //c/work/a.bin,//c/work/b.bin -o out.dlf

LAYOUT=boot.dlf t "default output name, one explicit offset" 0 \
  "$pa$pb2"$'process 3:     c.bin (0x00000040)\noffset 1:     0x00000400\n'"$banner"$'Generated boot.dlf\n' "" \
  $'v1.00\r\n0x0000000000000400,"a.bin"\r\n0x0000000000000500,"b.bin"\r\n0x0000000000000540,"c.bin"\r\n0x0000000000000580,""\r\n' \
  -p a.bin,b.bin,c.bin -l 0x400

t "compat: esf line, packed from 0, offsets ignored" 0 \
  $'esf file name: boot.esf\n'"$pa$pb2"$'process 3:     c.bin (0x00000040)\noffset 1:     0x00000400\n'"$banner"$'Generated out.dlf\n' "" \
  $'v2.00\r\nZUN_CONFIG_FILE,"boot.esf"\r\n0x0000000000000000,"a.bin"\r\n0x0000000000000100,"b.bin"\r\n0x0000000000000140,"c.bin"\r\n0x0000000000000180,""\r\n' \
  -c -s boot.esf -p a.bin,b.bin,c.bin -l 0x400 -o out.dlf

t "compat: empty esf name taken as a value, esf name kept as given" 0 \
  $'esf file name: //x/e.esf\nesf file name: \n'"$pa$banner"$'Generated out.dlf\n' "" \
  $'v2.00\r\nZUN_CONFIG_FILE,""\r\n0x0000000000000000,"a.bin"\r\n0x0000000000000100,""\r\n' \
  -s //x/e.esf -s '' -p a.bin -c -o out.dlf

t "quiet after -p silences only what follows" 0 "$pa" "" "$layout_a" -p a.bin -q -o out.dlf

t "quiet takes and ignores a value" 0 "" "" "$layout_a" -q x -p a.bin -o out.dlf

LAYOUT=two.dlf t "last -o wins" 0 "$pa$banner"$'Generated two.dlf\n' "" "$layout_a" \
  -o one.dlf -p a.bin -o two.dlf

LAYOUT=c:/out/a.dlf POSIX_ONLY=$drive_c_is_a_drive \
  t "output name in drive-letter form" 0 "$pa$banner"$'Generated c:/out/a.dlf\n' "" "$layout_a" \
  -p a.bin -o //c/out/a.dlf

t "empty items dropped, numbering across -p options" 0 \
  "$pa$pb2"$'process 3:     c.bin (0x00000040)\n'"$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"a.bin"\r\n0x0000000000000100,"b.bin"\r\n0x0000000000000140,"c.bin"\r\n0x0000000000000180,""\r\n' \
  -p ,a.bin,,b.bin, -p ,,, -p c.bin -o out.dlf

t "offset notation, numbered across -l options" 0 \
  $'offset 1:     0x00000800\noffset 2:     0x00000008\noffset 3:     0x0000000c\noffset 4:     0x00000000\noffset 5:     0x00000020\n'"$pa$pb2"$'process 3:     c.bin (0x00000040)\nprocess 4:     empty.bin (0x00000000)\nprocess 5:     d.bin (0x00000010)\n'"$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000800,"a.bin"\r\n0x0000000000000008,"b.bin"\r\n0x000000000000000C,"c.bin"\r\n0x0000000000000000,"empty.bin"\r\n0x0000000000000020,"d.bin"\r\n0x0000000000000040,""\r\n' \
  -l 0x800,010,12abc,zz -l 0X20 -p a.bin,b.bin,c.bin,empty.bin,d.bin -o out.dlf

t "unaligned explicit offset, next file rounded up; empty file takes no room" 0 \
  $'offset 1:     0x00000201\nprocess 1:     d.bin (0x00000010)\nprocess 2:     empty.bin (0x00000000)\nprocess 3:     b.bin (0x00000021)\n'"$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000201,"d.bin"\r\n0x0000000000000220,"empty.bin"\r\n0x0000000000000220,"b.bin"\r\n0x0000000000000260,""\r\n' \
  -l 0x201 -p d.bin,empty.bin,b.bin -o out.dlf

t "decreasing offsets kept in list order; end follows the last file" 0 \
  $'offset 1:     0x00001000\noffset 2:     0x00000000\n'"$pa$pb2$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000001000,"a.bin"\r\n0x0000000000000000,"b.bin"\r\n0x0000000000000040,""\r\n' \
  -l 0x1000,0 -p a.bin,b.bin -o out.dlf

t "single empty file" 0 $'process 1:     empty.bin (0x00000000)\n'"$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"empty.bin"\r\n0x0000000000000000,""\r\n' -p empty.bin -o out.dlf

SETUP=$'cp a.bin \xe9t\xe9.bin' POSIX_ONLY="names are UTF-16 on Windows: bytes that are not UTF-8 cannot reach the program" \
  t "name bytes above 127 written unchanged" 0 \
  $'process 1:     \xe9t\xe9.bin (0x00000100)\n'"$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"\xe9t\xe9.bin"\r\n0x0000000000000100,""\r\n' -p $'\xe9t\xe9.bin' -o out.dlf

SETUP='printf old >out.dlf' t "existing output file replaced" 0 "$pa$banner"$'Generated out.dlf\n' "" "$layout_a" \
  -p a.bin -o out.dlf

SETUP='truncate -s 4294967264 big.bin' t "file of 0xFFFFFFE0 bytes fits" 0 \
  $'process 1:     big.bin (0xffffffe0)\n'"$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"big.bin"\r\n0x00000000FFFFFFE0,""\r\n' -p big.bin -o out.dlf

SETUP='truncate -s 2147483648 half.bin' t "file of 2 GiB after a small one" 0 \
  $'process 1:     d.bin (0x00000010)\nprocess 2:     half.bin (0x80000000)\n'"$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"d.bin"\r\n0x0000000000000020,"half.bin"\r\n0x0000000080000020,""\r\n' \
  -p d.bin,half.bin -o out.dlf
SETUP='truncate -s 3221225472 three.bin' t "file of 3 GiB" 0 \
  $'process 1:     three.bin (0xc0000000)\n'"$banner"$'Generated out.dlf\n' "" \
  $'v1.00\r\n0x0000000000000000,"three.bin"\r\n0x00000000C0000000,""\r\n' -p three.bin -o out.dlf

t "esf name with a quote is fine outside compat" 0 $'esf file name: a"b\n'"$pa$banner"$'Generated out.dlf\n' "" \
  "$layout_a" -s 'a"b' -p a.bin -o out.dlf

# --- Help and refused requests ------------------------------------------

t "-h prints the usage only" 0 "$usage" "" - -h
t "-h ends the scan" 0 "$pa$usage" "" - -p a.bin -h -x -o out.dlf
t "no arguments" 1 "$banner$usage" "" -
t "compat without -s" 1 "$pa$banner$usage" "" - -c -p a.bin -o out.dlf
t "no process file" 1 "$banner$usage" "" - -p ,,, -o out.dlf
t "bare argument is unknown option ?" 1 "$pa$banner$usage" $'unknown option ?\n' - -p a.bin stray -o out.dlf
t "option glued to its value is unknown option ?" 1 "$banner$usage" $'unknown option ?\n' - -pa.bin -o out.dlf
t "-- is unknown option -" 1 "$pa$banner$usage" $'unknown option -\n' - -- -p a.bin -o out.dlf
t "unknown letter consumes its value" 1 "$pa$banner$usage" $'unknown option x\n' - -x 5 -p a.bin -o out.dlf
t "option letters are case-sensitive" 1 "$pa$banner$usage" $'unknown option P\n' - -P b.bin -p a.bin -o out.dlf
t "quiet refusal still prints the usage" 1 "$usage" $'unknown option ?\n' - -q -p a.bin x -o out.dlf
SETUP='printf old >out.dlf' t "refused run leaves the output file alone" 1 "$pa$banner$usage" \
  $'unknown option z\n' old -p a.bin -o out.dlf -z

t "-o without a value (last)" 1 "$pa$banner$usage" $'option -o requires a value\n' - -p a.bin -o
t "-o without a value (next begins with -)" 1 \
  $'esf file name: x.dlf\n'"$pa$banner$usage" $'option -o requires a value\n' - -s x.dlf -o -p a.bin
t "-p without a value does not reuse an earlier value" 1 "$pa"$'offset 1:     0x00000005\n'"$banner$usage" \
  $'option -p requires a value\n' - -p a.bin -p -l 5 -o out.dlf
t "-l without a value" 1 "$pa$banner$usage" $'option -l requires a value\n' - -p a.bin -l
t "-s without a value in compat" 1 "$pa$banner$usage" $'option -s requires a value\n' - -c -p a.bin -o out.dlf -s

# --- Process files that cannot be used ----------------------------------

t "missing file: unended line, rest of the value skipped" 1 \
  "$pa"$'process 2:     missing.bin '"$banner$usage" $'unable to open missing.bin\n' - \
  -p a.bin,missing.bin,c.bin -o out.dlf
t "after a failed file the next one takes its number" 1 \
  $'process 1:     missing.bin process 1:     b.bin (0x00000021)\n'"$banner$usage" $'unable to open missing.bin\n' - \
  -p missing.bin -p b.bin -o out.dlf
t "quiet: the error still shows" 1 "$usage" $'unable to open missing.bin\n' - -q -p missing.bin -o out.dlf
t "directory cannot be a process file" 1 $'process 1:     adir '"$banner$usage" $'unable to open adir\n' - -p adir -o out.dlf
SETUP='mkfifo pipe' TIMEOUT=5 POSIX_ONLY="Windows has no FIFO; the unit tests refuse named pipes" \
  t "FIFO is refused without waiting for a writer" 1 \
  $'process 1:     pipe '"$banner$usage" $'unable to open pipe\n' - -p pipe -o out.dlf
SETUP='truncate -s 4294967296 huge.bin' t "file past 0xFFFFFFFF bytes" 1 \
  "$pa"$'process 2:     huge.bin '"$banner$usage" $'file too large: huge.bin\n' - -p a.bin,huge.bin,b.bin -o out.dlf
SETUP='truncate -s 5368709120 five.bin' t "file of 5 GiB, 1 GiB past 32 bits" 1 \
  $'process 1:     five.bin '"$banner$usage" $'file too large: five.bin\n' - -p five.bin -o out.dlf
SETUP='cp a.bin "q\"x.bin"' t "process name with a quote" 1 "$pa$banner$usage" \
  $'name has a quote or line break: q"x.bin\n' - -p 'a.bin,q"x.bin,b.bin' -o out.dlf
SETUP=$'cp a.bin "l\nf.bin"' t "process name with a line feed" 1 "$banner$usage" \
  $'name has a quote or line break: l\nf.bin\n' - -p $'l\nf.bin' -o out.dlf
t "compat esf name with a carriage return" 1 $'esf file name: e\r.esf\n'"$pa$banner$usage" \
  $'name has a quote or line break: e\r.esf\n' - -c -s $'e\r.esf' -p a.bin -o out.dlf

# 256 process files fill the list; a 257th is refused. 257 offsets are all
# reported, and those past the 256th are not kept.
fill_list='for i in $(seq 257); do printf x >f$i.bin; done'
files256=$(printf 'f%d.bin,' $(seq 256))
offsets257=$(seq -s, 0 32 $((256 * 32)))
layout256=$'v1.00\r\n'
for i in $(seq 256); do
  printf -v layout256 '%s0x00000000%08X,"f%d.bin"\r\n' "$layout256" $(((i - 1) * 32)) "$i"
done
printf -v layout256 '%s0x00000000%08X,""\r\n' "$layout256" $((256 * 32))
offset_lines=
for i in $(seq 257); do printf -v offset_lines '%soffset %d:     0x%08x\n' "$offset_lines" "$i" $(((i - 1) * 32)); done

SETUP=$fill_list t "256 process files and 257 offsets" 0 "$offset_lines" "" "$layout256" \
  -l "$offsets257" -q -p "$files256" -o out.dlf
SETUP=$fill_list t "257th process file" 1 "$usage" $'too many process files: f257.bin\n' - \
  -q -p "${files256}f257.bin,a.bin" -o out.dlf

# --- Layouts past 32 bits and output files that cannot be written -------

SETUP='printf old >out.dlf' t "explicit offset wraps: layout refused, output untouched" 1 \
  $'offset 1:     0x00000010\noffset 2:     0xffffffff\n'"$pa$pb2$banner" \
  "$prog"$': layout does not fit in 32-bit offsets\n' old -l 0x10,-1 -p a.bin,b.bin -o out.dlf
SETUP='truncate -s 2147483648 h1.bin; cp h1.bin h2.bin' t "compat sizes pass 4 GiB" 1 \
  $'esf file name: e.esf\nprocess 1:     h1.bin (0x80000000)\nprocess 2:     h2.bin (0x80000000)\n'"$banner" \
  "$prog"$': layout does not fit in 32-bit offsets\n' - -c -s e.esf -p h1.bin,h2.bin -o out.dlf
SETUP='truncate -s 4294967295 max.bin' t "largest file cannot be placed" 1 \
  $'process 1:     max.bin (0xffffffff)\n'"$banner" "$prog"$': layout does not fit in 32-bit offsets\n' - \
  -p max.bin -o out.dlf

t "output cannot be created" 1 "$pa$banner" "$prog"$': unable to open img output file\n' - -p a.bin -o nodir/out.dlf
t "output name // is kept and cannot be created" 1 "$pa$banner" "$prog"$': unable to open img output file\n' - -p a.bin -o //
t "empty output name cannot be created" 1 "$pa$banner" "$prog"$': unable to open img output file\n' - -p a.bin -o ''
t "compat reports an output that cannot be created on stdout" 1 \
  $'esf file name: e.esf\n'"$pa$banner""$prog"$': unable to open img output file\n' "" - -c -s e.esf -p a.bin -o nodir/out.dlf
LAYOUT=/dev/full POSIX_ONLY="/dev/full is Linux's" t "write to a full device" 1 "$pa$banner" "$prog"$': unable to write img output file\n' - -p a.bin -o /dev/full
[[ -c /dev/full ]] || { failed=$((failed + 1)); echo "FAIL: /dev/full was removed"; }
SETUP="$fill_list; printf old >out.dlf" LIMITS='ulimit -f 1' POSIX_ONLY="Windows has no file size limit" \
  t "file size limit: partial layout removed" 1 \
  "" "$prog"$': unable to write img output file\n' - -q -p "$files256" -o out.dlf
SETUP=$fill_list LIMITS='ulimit -f 1; trap "" XFSZ' POSIX_ONLY="Windows has no file size limit" \
  t "file size limit in compat" 1 \
  "" "$prog"$': unable to write img output file\n' - -q -c -s e.esf -p "$files256" -o out.dlf

# --- Streams ------------------------------------------------------------

# Runs dlfgen in a fresh folder of fixtures with standard output into a
# pipe; leaves what came out of the pipe in $work/out, with the build line
# as DATE TIME, standard error in $work/err, and the status in $status.
run_into_pipe() {
  rm -rf "$work/case" && mkdir "$work/case" && (cd "$work/case" && make_fixtures) || return
  (cd "$work/case" && "${dlfgen_command[@]}" "$@" 2>"$work/err" | cat >"$work/out"
    exit "${PIPESTATUS[0]}")
  status=$?
  sed -Ei 's/^Built : .*$/Built : DATE TIME/' "$work/out"
}

# The layout on a shared standard output comes after the progress lines and
# the banner printed before it, and before the closing line.
if not_on_windows "layout to /dev/stdout keeps the order of the output" "/dev/stdout is Linux's"; then
  run_into_pipe -p a.bin -o /dev/stdout
  printf '%s' "$pa$banner$layout_a"$'Generated /dev/stdout\n' >"$work/want_out"
  check "layout to /dev/stdout keeps the order of the output" \
    eval '[[ $status == 0 && ! -s $work/err ]] && cmp -s "$work/out" "$work/want_out"'
fi
if not_on_windows "compat layout to /dev/stdout keeps the order of the output" "/dev/stdout is Linux's"; then
  run_into_pipe -c -s e.esf -p a.bin -o /dev/stdout
  printf '%s' $'esf file name: e.esf\n'"$pa$banner"$'v2.00\r\nZUN_CONFIG_FILE,"e.esf"\r\n0x0000000000000000,"a.bin"\r\n0x0000000000000100,""\r\nGenerated /dev/stdout\n' >"$work/want_out"
  check "compat layout to /dev/stdout keeps the order of the output" \
    eval '[[ $status == 0 && ! -s $work/err ]] && cmp -s "$work/out" "$work/want_out"'
fi

# Progress output that cannot be written does not touch the layout.
if not_on_windows "stdout on a full device" "/dev/full is Linux's"; then
  rm -rf "$work/case" && mkdir "$work/case" && (cd "$work/case" && make_fixtures)
  (cd "$work/case" && "${dlfgen_command[@]}" -p a.bin -o out.dlf >/dev/full 2>"$work/err")
  status=$?
  printf '%s' "$layout_a" >"$work/want_layout"
  check "stdout on a full device" \
    eval '[[ $status == 0 && ! -s $work/err ]] && cmp -s "$work/case/out.dlf" "$work/want_layout"'
fi

finish

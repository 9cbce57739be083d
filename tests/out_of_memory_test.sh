#!/bin/bash
# SPDX-License-Identifier: MIT
# dlfgen with no memory for the layout text: a clear message, status 1,
# and the output file untouched.
#
# usage: out_of_memory_test.sh path/to/dlfgen version path/to/failing_malloc.so
source "$(dirname "$0")/harness.sh" "$1" "$2"
failing_malloc=$(realpath "$3")
pa=$'process 1:     a.bin (0x00000100)\n'
layout_a=$'v1.00\r\n0x0000000000000000,"a.bin"\r\n0x0000000000000100,""\r\n'

# An esf name of 100,000 bytes makes the layout text larger than any block
# the preloaded allocator hands out.
esf=$(printf '%0100000d' 0)
SETUP='printf old >out.dlf' LIMITS="export LD_PRELOAD=$failing_malloc" t "no memory for the layout" 1 \
  $'esf file name: '"$esf"$'\n'"$pa$banner" $'dlfgen: out of memory\n' old -c -s "$esf" -p a.bin -o out.dlf
# The same preload lets a layout of ordinary size through.
LIMITS="export LD_PRELOAD=$failing_malloc" t "small layout with the preload" 0 "$pa$banner"$'Generated out.dlf\n' "" \
  "$layout_a" -p a.bin -o out.dlf
finish

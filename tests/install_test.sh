#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs the build into a temporary DESTDIR under the prefix /usr/local
# and uses what was installed as a user would: exactly the tool, its manual
# page and its completion; the installed tool makes a layout; man finds and
# formats the page; bash-completion loads the completion by the command's
# name.
#
# usage: install_test.sh build-dir version bindir mandir datadir
set -u
if [[ $# != 5 || ! -d $1 ]]; then
  echo "usage: install_test.sh build-dir version bindir mandir datadir" >&2
  exit 2
fi
build=$1
version=$2
bindir=$3
mandir=$4
datadir=$5
prefix=/usr/local
# shellcheck source=tests/checks.sh
source "$(dirname "$0")/checks.sh"
needs man man-db
needs /usr/share/bash-completion/bash_completion bash-completion
root=$work/root

installs() {
  DESTDIR=$root cmake --install "$build" --prefix "$prefix"
}

installs_these_files() {
  printf '%s\n' "$prefix/$bindir/dlfgen" "$prefix/$datadir/bash-completion/completions/dlfgen" \
    "$prefix/$mandir/man1/dlfgen.1" | LC_ALL=C sort >"$work/expected"
  (cd "$root" && find . ! -type d | sed 's/^\.//' | LC_ALL=C sort) >"$work/got"
  diff "$work/expected" "$work/got" || return 1
  [[ -x $root$prefix/$bindir/dlfgen ]] || { echo "the tool is not executable"; return 1; }
  [[ $(stat -c %a "$root$prefix/$mandir/man1/dlfgen.1") == 644 ]] || { echo "the manual page is not 644"; return 1; }
}

# The usage text names the program as run; -h prints nothing else.
prints_usage() {
  local tool=$root$prefix/$bindir/dlfgen
  "$tool" -h >"$work/usage" || return 1
  head -n 1 "$work/usage" | grep -qxF "usage: $tool [args]" || { cat "$work/usage"; return 1; }
  [[ $(wc -l <"$work/usage") == 7 ]] || { cat "$work/usage"; return 1; }
}

makes_a_layout() (
  mkdir -p "$work/run" && cd "$work/run" || return 1
  head -c 256 /dev/zero >a.bin
  head -c 33 /dev/zero >b.bin
  "$root$prefix/$bindir/dlfgen" -p a.bin,b.bin -o out.dlf >"$work/out" || return 1
  printf 'v1.00\r\n0x0000000000000000,"a.bin"\r\n0x0000000000000100,"b.bin"\r\n0x0000000000000140,""\r\n' >"$work/want"
  cmp "$work/want" out.dlf || return 1
  grep -qxF "MOX0 disk layout file generator. dlfgen $version" "$work/out" || { cat "$work/out"; return 1; }
)

man_finds_the_page() {
  local found
  found=$(man --manpath="$root$prefix/$mandir" -w dlfgen) || return 1
  [[ $found == "$root$prefix/$mandir/man1/dlfgen.1" ]] || { echo "man found $found"; return 1; }
  MANWIDTH=80 man --manpath="$root$prefix/$mandir" dlfgen >"$work/page" 2>&1 || return 1
  if ! grep -q '^DIAGNOSTICS' "$work/page" || ! grep -q "dlfgen $version" "$work/page"; then
    head "$work/page"
    return 1
  fi
}

# bash-completion looks for a command's completion beside the command, in
# ../share/bash-completion/completions, and in XDG_DATA_DIRS.
completion_loads() {
  PATH=$root$prefix/$bindir:$PATH XDG_DATA_DIRS=$root$prefix/$datadir bash -c '
    source /usr/share/bash-completion/bash_completion || exit 1
    __load_completion dlfgen || exit 1
    complete -p dlfgen' >"$work/complete" || { cat "$work/complete"; return 1; }
  grep -qE -- '-F _dlfgen dlfgen$' "$work/complete" || { cat "$work/complete"; return 1; }
}

check "cmake --install into a DESTDIR" installs
if ((failed == 0)); then
  check "installs the tool, the manual page and the completion" installs_these_files
  check "the installed tool prints its usage" prints_usage
  check "the installed tool makes a layout" makes_a_layout
  check "man finds and formats the installed page" man_finds_the_page
  check "bash-completion loads the installed completion" completion_loads
fi

finish

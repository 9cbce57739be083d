#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine in a prefix of the build's own, made on
# first use. Exits 77 when Wine is not installed.
#
# usage: wine_run.sh PREFIX program [args...]
#
# Wine's background processes (wineserver and the services the first
# program of a session starts) outlive the program. They are started here
# with their standard streams on /dev/null, before the program, so that
# they never hold the pipes of whoever reads the program's output (ctest
# would wait for them). wineserver stays up for 30 seconds after the last
# program ends, so consecutive runs do not start it again, and then
# everything of Wine exits by itself.
set -u
if [[ $# -lt 2 ]]; then
  echo "usage: wine_run.sh PREFIX program [args...]" >&2
  exit 2
fi
prefix=$1
shift

wine=${DLFGEN_WINE64:-}
[[ -n $wine ]] || wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [[ ! -x $wine ]]; then
  echo "SKIP: wine64 is not installed (Debian: apt-get install wine64)" >&2
  exit 77
fi
server=$(dirname "$wine")/wineserver
[[ -x $server ]] || server=$(command -v wineserver) || {
  echo "SKIP: wineserver is not installed" >&2
  exit 77
}

mkdir -p "$(dirname "$prefix")" || exit 2
export WINEPREFIX
WINEPREFIX=$(realpath "$prefix")
export WINEDEBUG=-all
# Wine reads the Unix arguments and file names in the Unix locale's
# character set: UTF-8, as the test files are named.
export LC_ALL=C.UTF-8
# No installer of Mono or Gecko: it would wait for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="

# One run at a time makes the prefix; the lock is not passed on to Wine.
{
  flock 9 || exit 2
  if [[ ! -f $WINEPREFIX/dlfgen-prefix-made ]]; then
    "$server" -p30 </dev/null >/dev/null 2>&1 9>&-
    "$wine" wineboot --init </dev/null >"$WINEPREFIX.boot.log" 2>&1 9>&- || {
      echo "wineboot --init failed; see $WINEPREFIX.boot.log" >&2
      exit 2
    }
    : >"$WINEPREFIX/dlfgen-prefix-made"
  fi
  # Exits at once, with status 2, when the prefix's server is already
  # running. A new one starts Wine's services with the first program, which
  # is therefore one that reads and writes nothing.
  if "$server" -p30 </dev/null >/dev/null 2>&1 9>&-; then
    "$wine" winepath -w / </dev/null >/dev/null 2>&1 9>&-
  fi
} 9>"$WINEPREFIX.lock"

exec "$wine" "$@"

#!/bin/bash
# SPDX-License-Identifier: MIT
# Shows that the build is reproducible: two clean builds of the same sources
# from two copies at different paths, under different umasks and time
# zones, with the same SOURCE_DATE_EPOCH, give byte-identical binaries and
# Debian packages, and the banner's build line shows that moment in UTC.
#
# usage: scripts/reproducible.sh
# SOURCE_DATE_EPOCH defaults to the time of the last commit.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The files git knows of, committed or not, as a fresh clone would have
# them plus any change not yet committed; no build folder comes along.
copy_sources() {
  mkdir -p "$1"
  git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
    (cd "$source_dir" && tar --null -T - -cf -) | (cd "$1" && tar -xf -)
}

# build FOLDER UMASK TZ: the package workflow in a copy of the sources.
build() {
  local dir=$1
  copy_sources "$dir"
  if ! (cd "$dir" && umask "$2" && TZ=$3 cmake --workflow --preset package) >"$dir.log" 2>&1; then
    tail -n 30 "$dir.log"
    echo "FAIL: the build in $dir failed" >&2
    exit 1
  fi
}

first=$work/one/dlfgen
second=$work/another/path/to/the/sources
build "$first" 022 UTC
build "$second" 002 XYZ-13

passed=0
failed=0
# check DESCRIPTION COMMAND...
check() {
  local description=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $description"
  else
    failed=$((failed + 1))
    echo "FAIL: $description"
  fi
}

binary=build-package/dlfgen
check "binaries identical: $(sha256sum <"$first/$binary" | cut -c1-16)" \
  cmp "$first/$binary" "$second/$binary"

package=build-package/$(cd "$first/build-package" && ls -- *.deb)
check "packages identical: ${package#*/} $(sha256sum <"$first/$package" | cut -c1-16)" \
  cmp "$first/$package" "$second/$package"

# The same moment as the compiler's __DATE__ and __TIME__: "Apr  6 2012".
expected="Built : $(LC_ALL=C TZ=UTC date -d "@$SOURCE_DATE_EPOCH" '+%b %e %Y %H:%M:%S')"
banner=$("$second/$binary" | sed -n 2p || true)
check "banner shows SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH in UTC: '$expected'" \
  test "$banner" = "$expected"
[[ $banner == "$expected" ]] || echo "  got: '$banner'"

echo "$passed passed, $failed failed"
((failed == 0))

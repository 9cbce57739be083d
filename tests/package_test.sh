#!/bin/bash
# Builds the Debian package of a build folder with CPack into a temporary
# folder and checks it with dpkg-deb: the file name, the control fields, the
# members (their names, owners, modes and times), and what they hold once
# unpacked: a tool that runs, the built manual page compressed without a
# name or a time, the completion, and the checksums of the control part.
#
# usage: package_test.sh path/to/cpack build-dir source-dir version
set -u
if [[ $# != 4 || ! -f $2/CPackConfig.cmake || ! -d $3 ]]; then
  echo "usage: package_test.sh path/to/cpack build-dir source-dir version" >&2
  exit 2
fi
cpack=$1
build=$(realpath "$2")
source_dir=$(realpath "$3")
version=$4
# shellcheck source=tests/checks.sh
source "$(dirname "$0")/checks.sh"
needs dpkg-deb dpkg
needs dpkg-shlibdeps dpkg-dev
needs file file
# Any fixed time will do; the package must carry this one throughout.
epoch=1700000000
arch=$(dpkg --print-architecture)
deb=$work/out/dlfgen_${version}_$arch.deb
root=$work/root

packs() {
  SOURCE_DATE_EPOCH=$epoch "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" || return 1
  local made
  made=$(cd "$work/out" && ls -- *.deb)
  [[ $made == "${deb##*/}" ]] || { echo "made: $made"; return 1; }
}

field() {
  dpkg-deb -f "$deb" "$1"
}

control_fields() {
  local problems=0 description
  expect() {
    [[ $2 =~ $3 ]] || { echo "$1: '$2' does not match /$3/"; problems=1; }
  }
  expect Package "$(field Package)" '^dlfgen$'
  expect Version "$(field Version)" "^${version//./\\.}$"
  expect Architecture "$(field Architecture)" "^$arch$"
  expect Maintainer "$(field Maintainer)" '^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$'
  # Computed by dpkg-shlibdeps from the tool: the C library, with a version.
  expect Depends "$(field Depends)" '(^|, )libc6 \(>= [0-9][0-9.]*\)(,|$)'
  expect Section "$(field Section)" '^[a-z]+$'
  expect Priority "$(field Priority)" '^optional$'
  expect Installed-Size "$(field Installed-Size)" '^[1-9][0-9]*$'
  description=$(field Description)
  expect "Description summary" "${description%%$'\n'*}" '^disk layout file generator$'
  # One paragraph of at least two lines, each indented by one space.
  expect "Description paragraph" "${description#*$'\n'}" $'^ [^ .][^\n]*(\n [^ .][^\n]*)+$'
  ((problems == 0))
}

members() {
  local expected
  expected=$(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M')
  TZ=UTC dpkg-deb -c "$deb" >"$work/members" || return 1
  # The files, and every folder above them.
  awk '{ print $1, $2, $4" "$5, $6 }' "$work/members" >"$work/got"
  cat >"$work/want" <<EOF
drwxr-xr-x root/root $expected ./usr/
drwxr-xr-x root/root $expected ./usr/bin/
-rwxr-xr-x root/root $expected ./usr/bin/dlfgen
drwxr-xr-x root/root $expected ./usr/share/
drwxr-xr-x root/root $expected ./usr/share/bash-completion/
drwxr-xr-x root/root $expected ./usr/share/bash-completion/completions/
-rw-r--r-- root/root $expected ./usr/share/bash-completion/completions/dlfgen
drwxr-xr-x root/root $expected ./usr/share/man/
drwxr-xr-x root/root $expected ./usr/share/man/man1/
-rw-r--r-- root/root $expected ./usr/share/man/man1/dlfgen.1.gz
EOF
  diff "$work/want" "$work/got"
}

unpacks() {
  dpkg-deb -x "$deb" "$root" && dpkg-deb -e "$deb" "$work/control"
}

tool_runs() (
  mkdir -p "$work/run" && cd "$work/run" || return 1
  head -c 256 /dev/zero >a.bin
  "$root/usr/bin/dlfgen" -p a.bin -o out.dlf >"$work/out.txt" || return 1
  printf 'v1.00\r\n0x0000000000000000,"a.bin"\r\n0x0000000000000100,""\r\n' | cmp - out.dlf || return 1
  grep -qxF "MOX0 disk layout file generator. dlfgen $version" "$work/out.txt" || { cat "$work/out.txt"; return 1; }
)

# gzip -n: the header's flags name no file (bit 3) and its time is zero.
man_page_compressed() {
  local page=$root/usr/share/man/man1/dlfgen.1.gz header
  gzip -t "$page" || return 1
  header=$(od -An -tx1 -N8 "$page" | tr -d ' \n')
  [[ ${header:0:6} == 1f8b08 ]] || { echo "header $header"; return 1; }
  (((0x${header:6:2} & 0x08) == 0)) || { echo "the header names a file: $header"; return 1; }
  [[ ${header:8:8} == 00000000 ]] || { echo "the header holds a time: $header"; return 1; }
  gzip -dc "$page" | cmp - "$build/dlfgen.1"
}

completion_packed() {
  cmp "$source_dir/completion/dlfgen" "$root/usr/share/bash-completion/completions/dlfgen"
}

checksums_match() {
  [[ -s $work/control/md5sums ]] || return 1
  (cd "$root" && md5sum --check --quiet "$work/control/md5sums")
}

check "cpack -G DEB makes dlfgen_${version}_$arch.deb" packs
if ((failed == 0)); then
  check "control fields" control_fields
  check "members: names, owners, modes and times" members
  check "dpkg-deb -x and -e unpack it" unpacks
  check "the unpacked tool makes a layout" tool_runs
  check "the manual page is the built one, compressed with gzip -n" man_page_compressed
  check "the completion is packed" completion_packed
  check "md5sums match the unpacked files" checksums_match
fi

finish

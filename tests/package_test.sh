#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the Debian package of a build folder with CPack into a temporary
# folder and checks it with dpkg-deb: the file name, the control fields, the
# members (their names, owners, modes and times), and what they hold once
# unpacked: a tool that runs, the built manual page and the changelog made
# from CHANGELOG.md, both compressed with gzip -9n, the copyright file, the
# completion, and the checksums of the control part. Packed again at
# another time those files are the same bytes. Fresh configures show where
# the maintainer comes from.
#
# usage: package_test.sh path/to/cpack build-dir source-dir version path/to/cmake
set -u
if [[ $# != 5 || ! -f $2/CPackConfig.cmake || ! -d $3 || ! -x $5 ]]; then
  echo "usage: package_test.sh path/to/cpack build-dir source-dir version path/to/cmake" >&2
  exit 2
fi
cpack=$1
build=$(realpath "$2")
source_dir=$(realpath "$3")
version=$4
cmake=$5
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
doc=$root/usr/share/doc/dlfgen

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
drwxr-xr-x root/root $expected ./usr/share/doc/
drwxr-xr-x root/root $expected ./usr/share/doc/dlfgen/
-rw-r--r-- root/root $expected ./usr/share/doc/dlfgen/changelog.gz
-rw-r--r-- root/root $expected ./usr/share/doc/dlfgen/copyright
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

# gzip -9n: the header's flags name no file (bit 3), its time is zero and
# its extra flags say maximum compression (2).
gzip_9n() {
  local header
  gzip -t "$1" || return 1
  header=$(od -An -tx1 -N9 "$1" | tr -d ' \n')
  [[ ${header:0:6} == 1f8b08 ]] || { echo "header $header"; return 1; }
  (((0x${header:6:2} & 0x08) == 0)) || { echo "the header names a file: $header"; return 1; }
  [[ ${header:8:8} == 00000000 ]] || { echo "the header holds a time: $header"; return 1; }
  [[ ${header:16:2} == 02 ]] || { echo "not maximum compression: $header"; return 1; }
}

man_page_compressed() {
  local page=$root/usr/share/man/man1/dlfgen.1.gz
  gzip_9n "$page" || return 1
  gzip -dc "$page" | cmp - "$build/dlfgen.1"
}

# The newest entry is this package's, and there is an entry for each
# release heading of CHANGELOG.md, in its order and on its day.
changelog_packed() {
  local log=$doc/changelog.gz
  gzip_9n "$log" || return 1
  if ! dpkg-parsechangelog -l "$log" --all --format rfc822 >"$work/entries" 2>"$work/parse.err" ||
    [[ -s $work/parse.err ]]; then
    cat "$work/parse.err"
    return 1
  fi
  dpkg-parsechangelog -l "$log" >"$work/newest" || return 1
  local line
  for line in "Source: $(field Package)" "Version: $(field Version)" \
    "Maintainer: $(field Maintainer)" "Distribution: unstable"; do
    grep -qxF "$line" "$work/newest" || { echo "no '$line' in:"; cat "$work/newest"; return 1; }
  done
  sed -n 's/^## \([^ ]*\) - \([0-9-]*\)$/\1 \2/p' "$source_dir/CHANGELOG.md" |
    while read -r release day; do
      echo "Version: $release"
      echo "Date: $(LC_ALL=C date -u -R -d "$day")"
    done >"$work/releases"
  [[ -s $work/releases ]] || { echo "no release heading in CHANGELOG.md"; return 1; }
  grep -E '^(Version|Date): ' "$work/entries" | diff "$work/releases" -
}

# The machine-readable format, the holder and the licence text of LICENSE;
# continuation lines start with a space, an empty one is " .".
copyright_packed() {
  local holder
  holder=$(sed -n 's/^Copyright (c) //p' "$source_dir/LICENSE")
  [[ $holder =~ ^[0-9]{4}\ [^\ ] ]] || { echo "LICENSE holds no 'Copyright (c) YEAR holder' line"; return 1; }
  {
    printf '%s\n' "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
      "Upstream-Name: dlfgen" "" "Files: *" "Copyright: $holder" "License: Expat"
    sed -n '/^Permission is hereby granted/,$ { s/^$/./; s/^/ /; p; }' "$source_dir/LICENSE"
  } >"$work/copyright"
  [[ $(wc -l <"$work/copyright") -gt 20 ]] || { echo "no licence text in LICENSE"; return 1; }
  diff "$work/copyright" "$doc/copyright"
}

# Another time, time zone and umask, no SOURCE_DATE_EPOCH: the files made
# for the package are the same bytes, and every member has the same mode.
same_when_repacked() (
  umask 077
  mkdir "$work/again" && cd "$work/again" || exit 1
  env -u SOURCE_DATE_EPOCH TZ=XYZ-13 "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/again/out" >/dev/null || exit 1
  dpkg-deb -x "$work/again/out/${deb##*/}" root || exit 1
  for file in usr/share/doc/dlfgen/changelog.gz usr/share/doc/dlfgen/copyright usr/share/man/man1/dlfgen.1.gz; do
    cmp "$root/$file" "root/$file" || exit 1
  done
  dpkg-deb -c "$work/again/out/${deb##*/}" | awk '{ print $1, $2, $6 }' >modes || exit 1
  awk '{ print $1, $2, $6 }' "$work/members" | diff - modes
)

# maintainer DEBFULLNAME DEBEMAIL WANT: what a fresh configure with these
# ("unset": none) makes DLFGEN_MAINTAINER; WANT "default": the default, a
# well-formed address outside the names kept for examples.
maintainer() {
  local dir=$work/configured got
  local -a vars=()
  [[ $1 == unset ]] || vars+=("DEBFULLNAME=$1")
  [[ $2 == unset ]] || vars+=("DEBEMAIL=$2")
  rm -rf "$dir"
  env -u DEBFULLNAME -u DEBEMAIL "${vars[@]}" "$cmake" -S "$source_dir" -B "$dir" -DBUILD_TESTING=OFF \
    >"$work/configure.log" 2>&1 || { tail -n 20 "$work/configure.log"; return 1; }
  got=$(sed -n 's/^DLFGEN_MAINTAINER:STRING=//p' "$dir/CMakeCache.txt")
  if [[ $3 == default ]]; then
    local contact='^[^<>]+ <[^<>@ ]+@([^<>@ ]+\.[^<>@ ]+)>$'
    # The names RFC 2606 and 6761 keep for examples, tests and this host.
    local reserved='(^|\.)(example|invalid|test|localhost|example\.(com|net|org))$'
    [[ $got =~ $contact ]] || { echo "malformed: $got"; return 1; }
    [[ ! ${BASH_REMATCH[1]} =~ $reserved ]] || { echo "a placeholder: $got"; return 1; }
  else
    [[ $got == "$3" ]] || { echo "got: $got"; return 1; }
  fi
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
  check "the manual page is the built one, compressed with gzip -9n" man_page_compressed
  check "the changelog is CHANGELOG.md's, compressed with gzip -9n" changelog_packed
  check "the copyright file is LICENSE's, machine-readable" copyright_packed
  check "the completion is packed" completion_packed
  check "md5sums match the unpacked files" checksums_match
  check "packed again, the made files are the same bytes" same_when_repacked
fi
while IFS='|' read -r name email want; do
  check "DEBFULLNAME=$name DEBEMAIL=$email: maintainer $want" maintainer "$name" "$email" "$want"
done <<'EOF'
Ann Example|ann@example.com|Ann Example <ann@example.com>
unset|Ann Example <ann@example.com>|Ann Example <ann@example.com>
Someone Else|Ann Example <ann@example.com>|Ann Example <ann@example.com>
unset|ann@example.com|default
Ann Example|unset|default
unset|unset|default
|ann@example.com|default
Ann Example|ann|default
EOF

finish

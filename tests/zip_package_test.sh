#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the Windows zip of a build folder with CPack into a temporary
# folder and checks its name, its members, and what they hold: the tool,
# README.md, the licence and the manual page as the build rendered it.
#
# usage: zip_package_test.sh path/to/cpack build-dir source-dir version
set -u
if [[ $# != 4 || ! -f $2/CPackConfig.cmake || ! -d $3 ]]; then
  echo "usage: zip_package_test.sh path/to/cpack build-dir source-dir version" >&2
  exit 2
fi
cpack=$1
build=$(realpath "$2")
source_dir=$(realpath "$3")
version=$4
command -v unzip >/dev/null || { echo "SKIP: unzip is not installed"; exit 77; }
[[ -f $build/dlfgen.html ]] ||
  { echo "SKIP: no dlfgen.html: mandoc was not found when the build was configured"; exit 77; }
# shellcheck source=tests/checks.sh
source "$(dirname "$0")/checks.sh"
top=dlfgen-$version-win64
zip=$work/out/$top.zip

packs() {
  "$cpack" -G ZIP --config "$build/CPackConfig.cmake" -B "$work/out" || return 1
  local made
  made=$(cd "$work/out" && ls -- *.zip)
  [[ $made == "${zip##*/}" ]] || { echo "made: $made"; return 1; }
}

members() {
  unzip -Z1 "$zip" | LC_ALL=C sort >"$work/got" || return 1
  printf '%s\n' "$top/LICENSE" "$top/README.md" "$top/dlfgen.exe" "$top/dlfgen.html" |
    LC_ALL=C sort >"$work/want"
  diff "$work/want" "$work/got"
}

unpacks() {
  unzip -q "$zip" -d "$work/root"
}

documents_packed() {
  cmp "$source_dir/README.md" "$work/root/$top/README.md" &&
    cmp "$source_dir/LICENSE" "$work/root/$top/LICENSE" &&
    cmp "$build/dlfgen.html" "$work/root/$top/dlfgen.html"
}

# mandoc's HTML of the page of this version.
manual_page_is_html() {
  local page=$work/root/$top/dlfgen.html
  grep -q '^<!DOCTYPE html>' "$page" || { head -n 3 "$page"; return 1; }
  grep -qF "dlfgen $version" "$page" || { echo "no 'dlfgen $version' in the page"; return 1; }
  grep -q '>DIAGNOSTICS<' "$page" || { echo "no DIAGNOSTICS section"; return 1; }
}

# A 64-bit Windows program: MZ, then the PE signature where the header says.
tool_is_a_windows_program() {
  local exe=$work/root/$top/dlfgen.exe offset
  [[ $(head -c 2 "$exe") == MZ ]] || { echo "no MZ header"; return 1; }
  offset=$(od -An -tu4 -j 60 -N 4 "$exe" | tr -d ' ')
  [[ $(od -An -tx1 -j "$offset" -N 4 "$exe" | tr -d ' \n') == 50450000 ]] || { echo "no PE signature"; return 1; }
  [[ $(od -An -tx1 -j "$((offset + 4))" -N 2 "$exe" | tr -d ' \n') == 6486 ]] || { echo "not x86-64"; return 1; }
}

check "cpack -G ZIP makes $top.zip" packs
if ((failed == 0)); then
  check "members: the tool, README.md, LICENSE and dlfgen.html in $top/" members
  check "unzip unpacks it" unpacks
  check "README.md, LICENSE and the built manual page are packed" documents_packed
  check "the manual page is mandoc's HTML of this version" manual_page_is_html
  check "dlfgen.exe is a 64-bit Windows program" tool_is_a_windows_program
fi

finish

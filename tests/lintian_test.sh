#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the Debian package of a build folder with CPack into a temporary
# folder and runs lintian on it with the info and pedantic tags shown:
# any error (E:) or warning (W:) fails, the other tags are only printed.
# That lintian sees the package at all is shown on a copy without the
# copyright file, which must give its error.
#
# usage: lintian_test.sh path/to/cpack build-dir version
set -u
if [[ $# != 3 || ! -f $2/CPackConfig.cmake ]]; then
  echo "usage: lintian_test.sh path/to/cpack build-dir version" >&2
  exit 2
fi
cpack=$1
build=$(realpath "$2")
version=$3
for tool in lintian:lintian dpkg-shlibdeps:dpkg-dev; do
  if ! command -v "${tool%%:*}" >/dev/null; then
    echo "SKIP: ${tool%%:*} (package ${tool#*:}) is not installed"
    exit 77
  fi
done
# shellcheck source=tests/checks.sh
source "$(dirname "$0")/checks.sh"
deb=$work/out/dlfgen_${version}_$(dpkg --print-architecture).deb

packs() {
  "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" || return 1
  [[ -f $deb ]] || { ls "$work/out"; return 1; }
}

# lint DEB: lintian's tags in $work/tags; its status is its own failure,
# never the tags'.
lint() {
  lintian -I --pedantic --fail-on none --tag-display-limit 0 "$1" >"$work/tags" 2>"$work/lintian.err"
}

no_errors_or_warnings() {
  local status=0
  lint "$deb" || status=$?
  echo "lintian $(lintian --print-version) on ${deb##*/}:"
  cat "$work/tags"
  grep -v '^running with root privileges' "$work/lintian.err"
  local counts
  counts=$(awk '/^[EWIPX]: / { n[substr($0, 1, 1)]++ }
    END { printf "%d errors, %d warnings, %d info, %d pedantic", n["E"], n["W"], n["I"], n["P"] }' "$work/tags")
  echo "($counts)"
  ((status == 0)) || { echo "lintian failed: $status"; return 1; }
  ! grep -qE '^[EW]: ' "$work/tags"
}

# The same package less its copyright file, md5sums and all.
flags_a_missing_copyright() {
  local tree=$work/tree broken=$work/broken/dlfgen_${version}_broken.deb
  rm -rf "$tree" && mkdir -p "${broken%/*}" || return 1
  dpkg-deb -R "$deb" "$tree" || return 1
  rm "$tree/usr/share/doc/dlfgen/copyright" || return 1
  sed -i '\| usr/share/doc/dlfgen/copyright$|d' "$tree/DEBIAN/md5sums" || return 1
  dpkg-deb --root-owner-group -b "$tree" "$broken" >/dev/null || return 1
  lint "$broken" || { echo "lintian failed"; return 1; }
  grep -qx 'E: dlfgen: no-copyright-file' "$work/tags" || { cat "$work/tags"; return 1; }
}

check "cpack -G DEB makes ${deb##*/}" packs
if ((failed == 0)); then
  # Printed whether or not it passes, so that the remaining tags show.
  if no_errors_or_warnings >"$work/report" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: lintian finds no error and no warning"
  fi
  cat "$work/report"
  check "lintian flags the package without its copyright file" flags_a_missing_copyright
fi

finish

#!/bin/bash
# SPDX-License-Identifier: MIT
# Checks cmake/debian_changelog.awk, which turns CHANGELOG.md into the
# Debian package's changelog: a file of two releases comes out as written
# below and dpkg-parsechangelog reads it without a word; every date carries
# the day of the week date(1) gives it; each kind of mistake in the file
# stops it with the line and what is wrong; and the repository's own
# CHANGELOG.md converts for the version being built, within 80 columns.
#
# usage: changelog_test.sh source-dir version
set -u
if [[ $# != 2 || ! -f $1/cmake/debian_changelog.awk ]]; then
  echo "usage: changelog_test.sh source-dir version" >&2
  exit 2
fi
source_dir=$(realpath "$1")
version=$2
if ! command -v dpkg-parsechangelog >/dev/null; then
  echo "SKIP: dpkg-parsechangelog (package dpkg-dev) is not installed"
  exit 77
fi
# shellcheck source=tests/checks.sh
source "$(dirname "$0")/checks.sh"
maintainer="Ann Example <ann@example.com>"

# convert VERSION: standard input to standard output.
convert() {
  awk -v package=dlfgen -v version="$1" -v maintainer="$maintainer" \
    -f "$source_dir/cmake/debian_changelog.awk"
}

# dpkg-parsechangelog reads it as it is, warnings being failures too.
parses() {
  if ! dpkg-parsechangelog -l "$1" --all --format rfc822 >"$work/parsed" 2>"$work/parse.err" ||
    [[ -s $work/parse.err ]]; then
    cat "$work/parse.err"
    return 1
  fi
}

two_releases() {
  cat >"$work/want" <<EOF
dlfgen (1.1.0) unstable; urgency=medium

  * Second release.
    Its second line.
    - a sub-item
      on two lines
  * Another change.

 -- $maintainer  Mon, 01 Mar 2027 00:00:00 +0000

dlfgen (1.0.0) unstable; urgency=medium

  * First release.

 -- $maintainer  Fri, 11 Dec 2026 00:00:00 +0000
EOF
  convert 1.1.0 >"$work/got" <<'EOF' || return 1
# Changelog

Text before the first release is left out.
- even a list.

## 1.1.0 - 2027-03-01

- Second release.
  Its second line.
  - a sub-item
    on two lines

- Another change.

## 1.0.0 - 2026-12-11
- First release.
EOF
  diff "$work/want" "$work/got" || return 1
  parses "$work/got" || return 1
  [[ $(grep -c "^Maintainer: $maintainer$" "$work/parsed") == 2 ]] || { cat "$work/parsed"; return 1; }
}

dated() {
  local day=$1 want got
  want=$(LC_ALL=C date -u -R -d "$day") || return 1
  got=$(printf '## 1.0.0 - %s\n- A change.\n' "$day" | convert 1.0.0) || return 1
  [[ $got == *" -- $maintainer  $want" ]] || { echo "$got"; echo "date -R: $want"; return 1; }
}

# refused INPUT MESSAGE: the input, printf's escapes expanded, fails with
# MESSAGE.
refused() {
  # shellcheck disable=SC2059
  if printf "$1" | convert 1.0.0 >"$work/out" 2>"$work/err"; then
    echo "converted:"
    cat "$work/out"
    return 1
  fi
  grep -qxF -- "$2" "$work/err" || { echo "expected: $2"; echo "got:"; cat "$work/err"; return 1; }
}

ours_converts() {
  convert "$version" <"$source_dir/CHANGELOG.md" >"$work/ours" || return 1
  parses "$work/ours" || return 1
  grep -qxF "Version: $version" "$work/parsed" || { echo "no entry for $version"; return 1; }
  awk 'length($0) > 80 { print NR ": " $0; long = 1 } END { exit long }' "$work/ours"
}

check "two releases, as written" two_releases
for day in 1900-01-01 1900-03-01 1970-01-01 1999-12-31 2000-02-29 2024-02-29 \
  2026-12-11 2038-01-19 2100-03-01 9999-12-31; do
  check "$day has date(1)'s day of the week" dated "$day"
done
while IFS='|' read -r input message; do
  check "refused: $input" refused "$input" "$message"
done <<'EOF'
## 1.0.0\n- A change.\n|CHANGELOG.md:1: not a release heading '## VERSION - YYYY-MM-DD': ## 1.0.0
## 1.0.0 - 11.12.2026\n- A change.\n|CHANGELOG.md:1: not a release heading '## VERSION - YYYY-MM-DD': ## 1.0.0 - 11.12.2026
## 1.0.0 - 2023-02-29\n- A change.\n|CHANGELOG.md:1: no such date: 2023-02-29
## 1.0.0 - 2100-02-29\n- A change.\n|CHANGELOG.md:1: no such date: 2100-02-29
## 1.0.0 - 2026-04-31\n- A change.\n|CHANGELOG.md:1: no such date: 2026-04-31
## 1.0.0 - 2026-13-01\n- A change.\n|CHANGELOG.md:1: no such date: 2026-13-01
## 1.0.0 - 2026-01-00\n- A change.\n|CHANGELOG.md:1: no such date: 2026-01-00
## 1.0.0 - 02026-01-01\n- A change.\n|CHANGELOG.md:1: no such date: 02026-01-01
## 0.9.0 - 2026-12-11\n- A change.\n|CHANGELOG.md:1: the newest release is 0.9.0, the build is 1.0.0
## 1.0.0 - 2026-12-11\n\nA paragraph.\n|CHANGELOG.md:3: not a list line of release 1.0.0: A paragraph.
## 1.0.0 - 2026-12-11\n### Added\n- A change.\n|CHANGELOG.md:2: not a list line of release 1.0.0: ### Added
## 1.0.0 - 2026-12-11\n- A change.\n   three spaces\n|CHANGELOG.md:3: not a list line of release 1.0.0:    three spaces
## 1.0.0 - 2026-12-11\n  Indented.\n|CHANGELOG.md:2: an indented line before the first item:   Indented.
## 1.0.0 - 2026-12-11\n\n## 0.9.0 - 2026-12-10\n- A change.\n|CHANGELOG.md:1: release 1.0.0 lists no change
## 1.0.0 - 2026-12-11\n- A change.\n## 0.9.0 - 2026-12-10\n|CHANGELOG.md:3: release 0.9.0 lists no change
# Changelog\n- A change.\n|CHANGELOG.md:2: no release heading '## VERSION - YYYY-MM-DD'
|CHANGELOG.md:0: no release heading '## VERSION - YYYY-MM-DD'
EOF
check "CHANGELOG.md has an entry for $version and converts within 80 columns" ours_converts

finish

# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the test scripts made of named checks: a scratch folder,
# removed at exit, and the functions that run and count the checks.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# check NAME COMMAND...: runs COMMAND; when it fails, prints NAME and what
# the command printed.
check() {
  local name=$1
  shift
  if "$@" >"$work/problems" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
    sed 's/^/  /' "$work/problems"
  fi
}

# Prints the tally; the script's status is 0 only when every check passed.
finish() {
  echo "$passed passed, $failed failed"
  ((failed == 0))
}

# needs PROGRAM PACKAGE: when PROGRAM (a command, or a file given by its
# absolute path) is missing, the test cannot say anything: it exits 77,
# which ctest reports as skipped, and says why.
needs() {
  if [[ $1 == /* ]]; then [[ -e $1 ]] && return; else command -v "$1" >/dev/null && return; fi
  echo "SKIPPED: ${0##*/} needs $1, from the Debian package $2 (scripts/install_deps.sh test installs it)"
  exit 77
}

#!/bin/bash
# SPDX-License-Identifier: MIT
# The Debian packages dlfgen needs, in groups, and the installation of the
# ones that are missing. Each group includes the one before it:
#
#   build  configure and build the tool (the tests are configured by
#          default, so GoogleTest too)
#   test   the whole default test suite: cmake --workflow --preset default
#   ci     everything .ci/run does besides: the checks, the fuzz targets,
#          the benchmark, the fresh machine test and the cross builds
#
# usage: scripts/install_deps.sh [--list | --check] build|test|ci
#   (none)   install what is missing, with apt-get, as root or through sudo
#   --list   print the group's packages, one a line
#   --check  print the missing ones; status 1 when any is missing
#
# Nothing is printed when nothing is missing.
set -euo pipefail
me=scripts/install_deps.sh

build=(cmake make g++ libgtest-dev)

# bash-completion: the completion and install tests, and tmux the typed
# completion test; groff-base and mandoc:
# the manual page test; man-db: the install test; dpkg-dev (dpkg-shlibdeps)
# and file, which CPack uses to find binaries: the package test; lintian:
# the package lint; valgrind: end_to_end_memcheck; bsdutils (script): the
# terminal test. The rest are essential, listed because the tests use them.
test=("${build[@]}" bash-completion tmux groff-base mandoc man-db dpkg-dev file
  lintian valgrind bsdutils coreutils diffutils findutils sed grep gzip tar
  perl-base)

# clang-format, clang-tidy and cppcheck: scripts/static_checks.sh; clang,
# its runtime and llvm (symbolized stack traces): fuzz/run.sh; strace,
# hyperfine, time and jq (valgrind is above): bench/run.sh; git:
# scripts/reproducible.sh and the fresh machine test, with debootstrap;
# mingw-w64 with wine (and unzip for the zip), and i686 with qemu-user:
# the cross builds, with GoogleTest built from its sources.
ci=("${test[@]}" git clang-format-14 clang-tidy-14 cppcheck
  clang-14 libclang-rt-14-dev llvm-14 strace hyperfine time jq debootstrap
  g++-mingw-w64-x86-64 wine64 unzip g++-i686-linux-gnu qemu-user googletest)

usage() {
  echo "usage: $me [--list | --check] build|test|ci" >&2
  exit 2
}

mode=install
case ${1:-} in
  --list | --check) mode=${1#--}; shift ;;
esac
[[ $# == 1 ]] || usage
case $1 in
  build) packages=("${build[@]}") ;;
  test) packages=("${test[@]}") ;;
  ci) packages=("${ci[@]}") ;;
  *) usage ;;
esac

if [[ $mode == list ]]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

if ! command -v dpkg-query >/dev/null; then
  echo "$me: no dpkg-query, so not a Debian system: install the equivalents of" \
    "these by hand: ${packages[*]}" >&2
  [[ $mode == check ]] && exit 1
  exit 0
fi

# One query for all: dpkg-query prints nothing for a package it has never
# heard of, and a package of several architectures once per architecture.
declare -A installed=()
while read -r package status; do
  [[ $status == installed ]] && installed[${package%%:*}]=1
done <<<"$(dpkg-query -W -f='${binary:Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null || true)"
missing=()
for package in "${packages[@]}"; do
  [[ -n ${installed[$package]:-} ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi
if [[ $mode == check ]]; then
  printf '%s\n' "${missing[@]}"
  exit 1
fi

if ((EUID == 0)); then
  export DEBIAN_FRONTEND=noninteractive
  as_root=()
else
  # sudo may ask for a password, but only on a terminal.
  if command -v sudo >/dev/null && { sudo -n true 2>/dev/null || [[ -t 0 ]]; }; then
    as_root=(sudo DEBIAN_FRONTEND=noninteractive)
  else
    echo "$me: these Debian packages are missing: ${missing[*]}" >&2
    echo "$me: installing them needs root, and sudo cannot be used here (it is" \
      "missing, or asks for a password with no terminal to ask on); as root, run:" \
      "apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
fi

echo "$me: installing ${missing[*]}"
# Waits for another apt or dpkg to finish rather than failing at once.
apt=("${as_root[@]}" apt-get -q -o DPkg::Lock::Timeout=600)
"${apt[@]}" update
"${apt[@]}" install -y --no-install-recommends "${missing[@]}"

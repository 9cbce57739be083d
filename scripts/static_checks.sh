#!/bin/bash
# SPDX-License-Identifier: MIT
# Static checks of the C++ sources: formatting (.clang-format), clang-tidy
# (.clang-tidy) and cppcheck. Fails on the first finding.
#
# usage: scripts/static_checks.sh [build-folder]   (default build-lint)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-lint}

echo "== clang-format"
git ls-files -z '*.cc' '*.h' | xargs -0 clang-format-14 --dry-run --Werror

# The analysers read compile commands: those of a normal build with the
# tests, and those of a clang build with the fuzz targets. Configuring is
# enough; nothing is built.
cmake -S . -B "$build" >/dev/null
cmake -S . -B "$build-fuzz" -DCMAKE_CXX_COMPILER=clang++-14 -DDLFGEN_FUZZ=ON \
  -DBUILD_TESTING=OFF >/dev/null

# run-clang-tidy's status does not cover every finding; warnings are
# errors in .clang-tidy, and none may appear.
tidy() {
  local log=$1/clang-tidy.log
  run-clang-tidy-14 -quiet -p "$1" -clang-tidy-binary clang-tidy-14 "$2" \
    >"$log" 2>&1 || { cat "$log"; return 1; }
  if grep -a -E '(warning|error):' "$log"; then return 1; fi
}
echo "== clang-tidy"
tidy "$build" "$PWD/(cli|layout|platform|tests)/"
tidy "$build-fuzz" "$PWD/fuzz/"

# readdir is the call to use: readdir_r is deprecated.
echo "== cppcheck"
for database in "$build" "$build-fuzz"; do
  cppcheck --project="$database/compile_commands.json" --library=googletest \
    --library=posix --enable=warning,style,performance,portability \
    --suppress=readdirCalled --inline-suppr --error-exitcode=1 --quiet
done

echo "static checks: clean"

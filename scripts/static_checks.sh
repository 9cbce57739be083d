#!/bin/bash
# Static checks of the C++ sources: formatting (.clang-format), clang-tidy
# (.clang-tidy) and cppcheck. Fails on the first finding.
#
# usage: scripts/static_checks.sh [build-folder]   (default build-lint)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-lint}

echo "== clang-format"
git ls-files -z '*.cc' '*.h' | xargs -0 clang-format-14 --dry-run --Werror

# Both analysers read the compile commands of a normal build with tests.
cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

echo "== clang-tidy"
run-clang-tidy-14 -quiet -p "$build" -clang-tidy-binary clang-tidy-14 \
  "$PWD/(cli|layout|tests)/" >"$build/clang-tidy.log" 2>&1 ||
  { cat "$build/clang-tidy.log"; exit 1; }
# run-clang-tidy's status does not cover every finding; warnings are
# errors in .clang-tidy, and none may appear.
if grep -E '(warning|error):' "$build/clang-tidy.log"; then exit 1; fi

echo "== cppcheck"
cppcheck --project="$build/compile_commands.json" --library=googletest \
  --library=posix --enable=warning,style,performance,portability \
  --inline-suppr --error-exitcode=1 --quiet

echo "static checks: clean"

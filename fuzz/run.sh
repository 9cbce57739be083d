#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one
# for a bounded time on a scratch copy of its seed corpus, so the corpus in
# the repository stays as it is. Crash files go to build-fuzz/artifacts/.
# Exits non-zero when any target fails.
#
# usage: fuzz/run.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
if [[ ! $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: fuzz/run.sh [seconds per target]" >&2
  exit 2
fi

build=$PWD/build-fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DDLFGEN_FUZZ=ON \
  -DBUILD_TESTING=OFF
cmake --build "$build" -j2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
if [[ -x $symbolizer ]]; then
  export ASAN_SYMBOLIZER_PATH=$symbolizer UBSAN_SYMBOLIZER_PATH=$symbolizer
fi

failed=()
summary=()
for target in offset list_item placement scan; do
  corpus=$work/corpus-$target
  cp -R "fuzz/corpus/$target" "$corpus"
  options=(-max_total_time="$seconds" -print_final_stats=1
    -artifact_prefix="$build/artifacts/$target-"
    -close_fd_mask=2)  # the tool's own error messages
  if [[ -f fuzz/$target.dict ]]; then
    options+=(-dict="$PWD/fuzz/$target.dict")
  fi
  echo "=== ${target}_fuzzer, $seconds s"
  log=$work/$target.log
  # The scan target makes its scratch folder under TMPDIR; a crash leaves it.
  set +e
  TMPDIR=$work "$build/fuzz/${target}_fuzzer" "${options[@]}" "$corpus" 2>&1 |
    tee "$log" | grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE) | # Uses: [0-9]+$'
  status=${PIPESTATUS[0]}
  set -e
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
  summary+=("$(printf '%-10s status %d, %s files in the working corpus, %s' "$target" \
    "$status" "$(find "$corpus" -type f | wc -l)" "${done_line:-no DONE line}")")
  if [[ $status != 0 ]]; then failed+=("$target"); fi
done

echo "=== summary"
printf '%s\n' "${summary[@]}"
if ((${#failed[@]})); then
  echo "failed: ${failed[*]} (crash files in $build/artifacts)" >&2
  exit 1
fi

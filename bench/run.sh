#!/bin/bash
# SPDX-License-Identifier: MIT
# Benchmark of dlfgen: 1, 16 and 256 small process files of varied sizes in
# a temporary folder, each count run as
#   dlfgen -q -p <all of them, comma-separated> -o out.dlf
# and measured for user-space instructions, system calls, writes of the
# layout file, peak memory and wall time. It prints figures and whether each
# target is met; it does not judge the build. It exits non-zero only when a
# tool it needs is missing or a run fails.
#
# usage: bench/run.sh [path/to/dlfgen]
# Without a binary, the default Release build is made in build-bench/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
counts=(1 16 256)
wall_runs=50
rss_runs=11

# Targets for the 256-file run.
max_syscalls_per_file=4
max_syscalls=1100
max_instructions=205000
# Linear cost: the per-file increment from 16 to 256 files over the one from
# 1 to 16 files, for instructions and for system calls, at most this.
max_increment_ratio=1.25

fail() {
  echo "bench: $*" >&2
  exit 1
}

need() {
  command -v "$1" >/dev/null 2>&1 && return
  echo "bench: needs $1 (Debian package $2)" >&2
  exit 2
}

if [[ $# -gt 1 ]]; then
  echo "usage: bench/run.sh [path/to/dlfgen]" >&2
  exit 2
fi

need valgrind valgrind
need strace strace
need hyperfine hyperfine
need jq jq
need readelf binutils
# Peak RSS comes from GNU time's %M, not the shell keyword.
if [[ ! -x /usr/bin/time ]] || ! /usr/bin/time --version 2>&1 | grep -q GNU; then
  echo "bench: needs GNU time as /usr/bin/time (Debian package time)" >&2
  exit 2
fi

if [[ $# -eq 1 ]]; then
  [[ -x $1 ]] || fail "not an executable: $1"
  dlfgen=$(realpath "$1")
else
  need cmake cmake
  echo "building the Release build in build-bench/ ..."
  cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF >/dev/null || fail "cmake configure failed"
  cmake --build "$root/build-bench" -j2 >/dev/null || fail "build failed"
  dlfgen=$root/build-bench/dlfgen
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Names of one length and sizes spread over 1 to 4000 bytes, the same
# every run.
names=()
for ((i = 1; i <= 256; ++i)); do
  name=$(printf 'p%03d.bin' "$i")
  head -c $((i * 397 % 4001)) /dev/zero >"$name"
  names+=("$name")
done

# The environment is fixed: the dynamic loader and the C library read it
# before main, so its size shows in the instruction count.
clean=(env -i PATH=/usr/bin:/bin LC_ALL=C)

# Thousands separators for a whole number.
group() { sed ':a;s/\B[0-9]\{3\}\>/,&/;ta' <<<"$1"; }

# median FILE: the median of the numbers in FILE, one per line.
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A ir syscalls writes rss wall_us

# wall_median COMMAND...: hyperfine's median in microseconds.
wall_median() {
  "${clean[@]}" hyperfine -N --runs "$wall_runs" --warmup 5 --style none \
    --export-json wall.json "$(printf '%q ' "$@")" >/dev/null 2>hyperfine.log || {
    cat hyperfine.log >&2
    return 1
  }
  jq '.results[0].median * 1e6 | round' wall.json
}

# Starting any process costs this much here; it bounds what dlfgen can save.
true_us=$(wall_median /bin/true) || fail "hyperfine run failed on /bin/true"

for n in "${counts[@]}"; do
  list=$(
    IFS=,
    echo "${names[*]:0:n}"
  )
  args=(-q -p "$list" -o out.dlf)

  # A run must succeed and write one line per file plus the version and end.
  rm -f out.dlf
  "${clean[@]}" "$dlfgen" "${args[@]}" || fail "dlfgen failed on $n files"
  [[ $(wc -l <out.dlf) -eq $((n + 2)) ]] || fail "wrong layout for $n files"

  "${clean[@]}" valgrind --tool=callgrind --callgrind-out-file=cg.out \
    "$dlfgen" "${args[@]}" 2>valgrind.log || fail "callgrind run failed on $n files"
  ir[$n]=$(awk '$1 == "summary:" { print $2 }' cg.out)
  [[ -n ${ir[$n]} ]] || fail "no instruction total from callgrind"

  "${clean[@]}" strace -f -c -U calls,name -o strace-c.txt \
    "$dlfgen" "${args[@]}" || fail "strace run failed on $n files"
  syscalls[$n]=$(awk '$2 == "total" { print $1 }' strace-c.txt)
  [[ -n ${syscalls[$n]} ]] || fail "no system call total from strace"

  # -y names the file behind each descriptor, so only writes that reach the
  # layout count; the bytes they wrote must add up to the whole file.
  "${clean[@]}" strace -f -y -s 0 -e trace=write -o strace-w.txt \
    "$dlfgen" "${args[@]}" || fail "strace run failed on $n files"
  layout_writes=$(grep -F "<$work/out.dlf>" strace-w.txt | grep -c ' write(' || true)
  written=$(grep -F "<$work/out.dlf>" strace-w.txt | awk '{ s += $NF } END { print s + 0 }')
  [[ $written -eq $(stat -c %s out.dlf) ]] || fail "writes do not add up to the layout"
  writes[$n]=$layout_writes

  : >rss.txt
  for ((r = 0; r < rss_runs; ++r)); do
    "${clean[@]}" /usr/bin/time -f %M -a -o rss.txt "$dlfgen" "${args[@]}" ||
      fail "timed run failed on $n files"
  done
  rss[$n]=$(median rss.txt)

  wall_us[$n]=$(wall_median "$dlfgen" "${args[@]}") ||
    fail "hyperfine run failed on $n files"
done

needed=$(readelf -d "$dlfgen" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | paste -sd' ')
echo
echo "dlfgen:  $dlfgen"
echo "NEEDED:  ${needed:-none (static)}"
sizes=$(stat -c %s "${names[@]}" | sort -n | sed -n '1p;$p' | paste -sd' ')
echo "command: dlfgen -q -p <N files, comma-separated> -o out.dlf"
echo "files:   p001.bin ... p256.bin, ${sizes% *} to ${sizes#* } bytes; the first N are used"
echo
printf '%6s %14s %10s %14s %14s %15s %18s\n' files instructions syscalls \
  syscalls/file "layout writes" "peak RSS (kB)" "median wall (us)"
for n in "${counts[@]}"; do
  printf '%6d %14s %10s %14s %14s %15s %18s\n' "$n" "$(group "${ir[$n]}")" \
    "${syscalls[$n]}" "$(awk -v s="${syscalls[$n]}" -v n="$n" 'BEGIN { printf "%.2f", s / n }')" \
    "${writes[$n]}" "$(group "${rss[$n]}")" "$(group "${wall_us[$n]}")"
done

# increment X_A X_B FILES: per-file increase over FILES more files.
increment() { awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN { printf "%.1f", (b - a) / n }'; }
ir_late=$(increment "${ir[16]}" "${ir[256]}" 240)
ir_early=$(increment "${ir[1]}" "${ir[16]}" 15)
sc_late=$(increment "${syscalls[16]}" "${syscalls[256]}" 240)
sc_early=$(increment "${syscalls[1]}" "${syscalls[16]}" 15)
echo
echo "per file, 16 -> 256 files: $ir_late instructions, $sc_late syscalls"
echo "per file,  1 ->  16 files: $ir_early instructions, $sc_early syscalls"

verdict() { if [[ $1 == 1 ]]; then echo met; else echo "NOT met"; fi; }
at_most() { awk -v x="$1" -v m="$2" 'BEGIN { print (x <= m) ? 1 : 0 }'; }
linear=$(awk -v il="$ir_late" -v ie="$ir_early" -v sl="$sc_late" -v se="$sc_early" \
  -v m="$max_increment_ratio" 'BEGIN { print (il <= ie * m && sl <= se * m) ? 1 : 0 }')
ratios=$(awk -v il="$ir_late" -v ie="$ir_early" -v sl="$sc_late" -v se="$sc_early" \
  'BEGIN { printf "%.2f, %.2f", il / ie, sl / se }')
per_file=$(awk -v s="${syscalls[256]}" 'BEGIN { printf "%.2f", s / 256 }')

echo
echo "targets, 256 files:"
printf '  %-52s %10s  %s\n' \
  "system calls per process file <= $max_syscalls_per_file" "$per_file" \
  "$(verdict "$(at_most "$per_file" "$max_syscalls_per_file")")" \
  "system calls in all <= $(group $max_syscalls)" "${syscalls[256]}" \
  "$(verdict "$(at_most "${syscalls[256]}" "$max_syscalls")")" \
  "layout written with a single write" "${writes[256]}" \
  "$(verdict "$([[ ${writes[256]} -eq 1 ]] && echo 1 || echo 0)")" \
  "user-space instructions <= $(group $max_instructions)" "$(group "${ir[256]}")" \
  "$(verdict "$(at_most "${ir[256]}" "$max_instructions")")" \
  "run-time libraries: the C library alone" "$needed" \
  "$(verdict "$([[ $needed == libc.so.6 ]] && echo 1 || echo 0)")" \
  "linear: increment 16->256 / 1->16 <= $max_increment_ratio" \
  "$ratios" "$(verdict "$linear")"
echo "  (the last as instructions, system calls)"
echo
echo "baseline: /bin/true, median wall time $(group "$true_us") us"

cat <<EOF

how: instructions are callgrind's total Ir for the whole process (loader
included); system calls are strace -f -c's total; layout writes are the
write(2) calls strace -y shows on the layout file; peak RSS is GNU time's
%M, the median of $rss_runs runs; wall time is hyperfine -N's median of
$wall_runs runs after 5 warm-up runs. Every run has the environment
${clean[*]}.
EOF

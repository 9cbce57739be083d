# SPDX-License-Identifier: MIT
# The harness every end-to-end test of dlfgen sources: each case runs the
# built binary, as "dlfgen", in a fresh temporary folder of small fixtures
# and compares its standard output, standard error, exit status and the
# layout file byte for byte. Nothing else in the folder may change.
#
# A test sources it with the binary and the version as its arguments:
#   source harness.sh path/to/dlfgen version
# then runs cases with t (below), and ends with `finish`.
#
# DLFGEN_RUNNER, when set, is a command put in front of every run of the
# binary, such as a valgrind command line.
#
# A Windows build, path/to/dlfgen.exe, runs through DLFGEN_RUNNER (under
# Wine: tests/wine_run.sh and its prefix); see "Windows" below.
set -u
if [[ $# != 2 || ! -x $1 ]]; then
  echo "usage: ${0##*/} path/to/dlfgen version" >&2
  exit 2
fi
dlfgen=$(realpath "$1")
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
read -ra runner <<<"${DLFGEN_RUNNER:-}"
passed=0
failed=0

# --- Windows ------------------------------------------------------------
# dlfgen.exe is started by its path, and argv[0] is what Windows makes of
# it: under Wine the whole Windows name of the file, such as
# Z:\tmp\tmp.Ab12\bin\dlfgen.exe, which winepath tells. Its standard output
# and standard error are text streams: each line must end in CR LF, and
# CR LF is read as LF before comparing. The layout is compared unchanged.
# Cases marked POSIX_ONLY=reason are not run on Windows; finish lists them.
windows=0
not_run=()
if [[ $dlfgen == *.exe ]]; then
  windows=1
  ((${#runner[@]} > 0)) || { echo "SKIP: dlfgen.exe needs DLFGEN_RUNNER, such as tests/wine_run.sh"; exit 77; }
  # Prints the Windows name of each Unix path given.
  windows_name() {
    local name status
    name=$("${runner[@]}" winepath -w "$@")
    status=$?
    ((status == 0)) || return "$status"
    printf '%s\n' "${name//$'\r'/}"
  }
  mkdir "$work/bin" && ln -s "$dlfgen" "$work/bin/dlfgen.exe" || exit 2
  dlfgen_command=("${runner[@]}" "$work/bin/dlfgen.exe")
  prog=$(windows_name "$work/bin/dlfgen.exe")
  case $? in
    0) ;;
    77) echo "SKIP: wine64 is not installed"; exit 77 ;;
    *) echo "winepath failed"; exit 2 ;;
  esac
else
  # The binary is found on PATH as "dlfgen", so it names itself so in its
  # messages whatever runs it.
  mkdir "$work/bin" && ln -s "$dlfgen" "$work/bin/dlfgen" || exit 2
  export PATH=$work/bin:$PATH
  # DLFGEN_EMULATOR, when set, runs a binary built for another machine, given
  # its path, as CMAKE_CROSSCOMPILING_EMULATOR does, and names the program
  # "dlfgen" itself (qemu-user: -0 dlfgen). An emulator does not search PATH,
  # so the "dlfgen" on PATH is then a script that runs it on the binary.
  if [[ -n ${DLFGEN_EMULATOR:-} ]]; then
    read -ra emulator <<<"$DLFGEN_EMULATOR"
    rm "$work/bin/dlfgen" &&
      { printf '#!/bin/bash\nexec'; printf ' %q' "${emulator[@]}" "$dlfgen"; printf ' "$@"\n'; } >"$work/bin/dlfgen" &&
      chmod +x "$work/bin/dlfgen" || exit 2
  fi
  dlfgen_command=("${runner[@]}" dlfgen)
  prog=dlfgen
fi
# -------------------------------------------------------------------------

# The build line carries the build's own date and time; its form is checked
# and the value replaced by DATE TIME before comparing.
banner=$'MOX0 disk layout file generator. dlfgen '"$version"$'\nBuilt : DATE TIME\n'
usage="usage: $prog [args]"$'
  -s esf                     # esf file name
  -p <process1,process2,...> # process file list
  -l <offset1,offset2,...>   # offset list
  -o output                  # output file
  -c                         # compat
  -q                         # quiet\n'
built_line='^Built : (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$'

make_fixtures() {
  head -c 256 /dev/zero >a.bin  # 0x100
  head -c 33 /dev/zero >b.bin   # 0x21
  head -c 64 /dev/zero >c.bin   # 0x40
  head -c 16 /dev/zero >d.bin   # 0x10
  : >empty.bin
  mkdir -p c:/work c:/out adir
  cp a.bin b.bin c:/work/
}

# Every entry of a case's folder but the layout, and for each one that is
# not a folder its type, size and modification time.
snapshot() {
  (cd "$1" && find . ! -path "./$2" \( -type d -printf '%p/\n' -o -printf '%p %y %s %T@\n' \) |
    LC_ALL=C sort)
}

# Each case may set, for itself only:
#   SETUP   shell commands run in the case's folder before dlfgen
#   LAYOUT  the layout file to check (default out.dlf)
#   LIMITS  shell commands run just before dlfgen, in the shell that starts it
#   TIMEOUT seconds before dlfgen is stopped (default 20)
#   PROGRAM the path dlfgen is started by, instead of the usual one
#   POSIX_ONLY  why the case means nothing on Windows, where it is not run
#
# t NAME STATUS STDOUT STDERR EXPECTED_LAYOUT ARGS...
# EXPECTED_LAYOUT is the file's whole content, or - when it must not exist.
t() {
  local name=$1 want_status=$2 want_out=$3 want_err=$4 want_layout=$5
  shift 5
  if ((windows)) && [[ -n ${POSIX_ONLY:-} ]]; then
    not_run+=("$name: $POSIX_ONLY")
    return
  fi
  local dir=$work/case layout=${LAYOUT:-out.dlf} problems=()
  local -a command=("${dlfgen_command[@]}")
  [[ -n ${PROGRAM:-} ]] && command=("${runner[@]}" "$PROGRAM")
  # valgrind writes files of its own as it starts, which a file size limit
  # would stop; under a runner the limit's signal is ignored from the start.
  local limits=${LIMITS:-}
  [[ -n $limits && ${#runner[@]} -gt 0 ]] && limits+='; trap "" XFSZ'
  local before status attempt
  for attempt in 1 2; do
    problems=()
    rm -rf "$dir" && mkdir -p "$dir" && (cd "$dir" && make_fixtures && eval "${SETUP:-}") ||
      problems+=("setup failed")
    before=$(snapshot "$dir" "$layout")
    (cd "$dir" && eval "$limits" && timeout "${TIMEOUT:-20}" "${command[@]}" "$@") \
      >"$work/out" 2>"$work/err"
    status=$?
    # Once in a while a run under Wine has ended with a failure status and
    # no output at all, which dlfgen never gives: every failure of its own
    # says why. Such a run is made once more; a fault of the tool's own
    # fails again.
    ((windows && attempt == 1 && status != 0)) && [[ ! -s $work/out && ! -s $work/err ]] || break
    echo "note: $name: status $status and no output under Wine; run again"
  done
  if ((windows)); then
    text_stream_lines "$work/out" || problems+=("a line of stdout does not end in CR LF")
    text_stream_lines "$work/err" || problems+=("a line of stderr does not end in CR LF")
  fi

  if grep -Eq "$built_line" "$work/out"; then
    sed -Ei 's/^Built : .*$/Built : DATE TIME/' "$work/out"
  elif grep -q '^Built' "$work/out"; then
    problems+=("malformed build line")
  fi
  printf '%s' "$want_out" >"$work/want_out"
  printf '%s' "$want_err" >"$work/want_err"
  [[ $status == "$want_status" ]] || problems+=("status $status, expected $want_status")
  cmp -s "$work/out" "$work/want_out" || problems+=("stdout differs")
  cmp -s "$work/err" "$work/want_err" || problems+=("stderr differs")
  if [[ $want_layout == - ]]; then
    [[ ! -e $dir/$layout ]] || problems+=("$layout exists")
  else
    printf '%s' "$want_layout" >"$work/want_layout"
    cmp -s "$dir/$layout" "$work/want_layout" || problems+=("$layout differs")
  fi
  [[ $before == "$(snapshot "$dir" "$layout")" ]] || problems+=("other files changed")

  if ((${#problems[@]} == 0)); then
    passed=$((passed + 1))
    return
  fi
  failed=$((failed + 1))
  echo "FAIL: $name: ${problems[*]}"
  echo "  args: $*"
  echo "--- stdout (got, then expected)"; cat -A "$work/out"; echo "---"; cat -A "$work/want_out"
  echo "--- stderr (got, then expected)"; cat -A "$work/err"; echo "---"; cat -A "$work/want_err"
  if [[ -e $dir/$layout ]]; then echo "--- $layout"; cat -A "$dir/$layout"; fi
}

# On Windows: turns each CR LF of FILE into LF, and fails when FILE had a
# line feed without a carriage return before it.
text_stream_lines() {
  local status=0
  perl -0777 -ne 'exit(/(?<!\r)\n/ ? 1 : 0)' "$1" || status=1
  perl -0777 -pi -e 's/\r\n/\n/g' "$1"
  return "$status"
}

# A case run by hand: true where it runs; on Windows, with REASON, it is
# listed as not run instead.
#   if not_on_windows NAME REASON; then ... fi
not_on_windows() {
  ((windows)) || return 0
  not_run+=("$1: $2")
  return 1
}

# Counts a case checked by hand: pass NAME when CONDITION held.
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
    return 1
  fi
}

# A test whose tool is missing is skipped, with the reason.
skip() {
  echo "SKIP: $*"
  exit 77
}

finish() {
  if ((${#not_run[@]} > 0)); then
    echo "not run on Windows (${#not_run[@]}):"
    printf '  %s\n' "${not_run[@]}"
  fi
  echo "$passed passed, $failed failed"
  ((failed == 0))
}

#!/bin/bash
# SPDX-License-Identifier: MIT
# Checks the manual page as built: both formatters find nothing to warn
# about, it has the sections a reader looks for, every option letter the
# scanner knows has an entry, every message the sources can print is in
# DIAGNOSTICS, its layout examples are what the tool writes for them, and
# it carries the version of the build and the day of the build: the sources
# configured afresh date the page by SOURCE_DATE_EPOCH in UTC, or by today.
#
# usage: man_page_test.sh dlfgen.1 source-dir path/to/dlfgen version path/to/cmake
# DLFGEN_RUNNER, when set, is put in front of each run of the tool (the
# Windows build runs under Wine through tests/wine_run.sh).
set -u
if [[ $# != 5 || ! -f $1 || ! -d $2 || ! -x $3 || ! -x $5 ]]; then
  echo "usage: man_page_test.sh dlfgen.1 source-dir path/to/dlfgen version path/to/cmake" >&2
  exit 2
fi
page=$(realpath "$1")
source_dir=$(realpath "$2")
dlfgen=$(realpath "$3")
version=$4
cmake=$5
read -ra runner <<<"${DLFGEN_RUNNER:-}"
if ((${#runner[@]} > 0)); then
  "${runner[@]}" "$dlfgen" -h >/dev/null 2>&1
  [[ $? != 77 ]] || { echo "SKIP: the runner cannot run the tool: ${runner[*]}"; exit 77; }
fi
# shellcheck source=tests/checks.sh
source "$(dirname "$0")/checks.sh"
needs groff groff-base
needs mandoc mandoc
needs perl perl-base

# Plain text, one line per paragraph as far as it goes, no hyphenation.
groff -man -Tascii -P-c -P-b -P-o -P-u -rLL=250n -rHY=0 "$page" >"$work/page.txt" 2>/dev/null

# The lines of one section of the rendered page, its heading left out.
section() {
  awk -v name="$1" '$0 == name { on = 1; next } /^[A-Z]/ { on = 0 } on' "$work/page.txt"
}

lint_groff() {
  groff -man -ww -z "$page" 2>&1 | tee "$work/groff.out"
  [[ ${PIPESTATUS[0]} == 0 && ! -s $work/groff.out ]]
}

lint_mandoc() {
  mandoc -T lint -W warning "$page"
}

has_sections() {
  local heading missing=0
  for heading in NAME SYNOPSIS DESCRIPTION OPTIONS "LAYOUT FILE FORMAT" "EXIT STATUS" DIAGNOSTICS EXAMPLES; do
    grep -qx "$heading" "$work/page.txt" || { echo "no section $heading"; missing=1; }
  done
  ((missing == 0))
}

# The letters the scanner acts on, from its source, each an entry of OPTIONS.
options_documented() {
  local letters letter missing=0
  letters=$(grep -oE "(case|letter ==) '[a-zA-Z]'" "$source_dir/cli/run.cc" | grep -oE "[a-zA-Z]'" | tr -d "'" | sort -u)
  [[ -n $letters ]] || { echo "no option letter found in cli/run.cc"; return 1; }
  section OPTIONS >"$work/options.txt"
  for letter in $letters; do
    grep -qE "^ +-$letter( |$)" "$work/options.txt" || { echo "option -$letter has no entry"; missing=1; }
  done
  ((missing == 0))
}

messages_documented() {
  section DIAGNOSTICS >"$work/diagnostics.txt"
  perl "$source_dir/tests/documented_messages.pl" "$work/diagnostics.txt" \
    "$source_dir"/cli/*.cc "$source_dir"/layout/*.cc
}

# The message check itself: a message added to the sources without
# documentation, or printed in a way it cannot read, must fail it.
message_check_fails() {
  local code=$1 expected=$2
  section DIAGNOSTICS >"$work/diagnostics.txt"
  printf '%s\n' "$code" >"$work/added.cc"
  if perl "$source_dir/tests/documented_messages.pl" "$work/diagnostics.txt" \
    "$source_dir"/cli/*.cc "$work/added.cc" >"$work/check.out"; then
    echo "passed with: $code"
    return 1
  fi
  grep -qF -- "$expected" "$work/check.out" || { echo "expected \"$expected\" in:"; cat "$work/check.out"; return 1; }
}

# Each "$ dlfgen ..." line of LAYOUT FILE FORMAT that is followed by a
# layout is run on the example process files, and the file it writes must
# be that layout, line for line.
run_example() {
  local args=$1 output=boot.dlf i
  local -a words
  read -ra words <<<"$args"
  for ((i = 0; i + 1 < ${#words[@]}; i++)); do
    [[ ${words[i]} == -o ]] && output=${words[i + 1]}
  done
  rm -rf "$work/run" && mkdir "$work/run" && cp "$source_dir"/examples/*.bin "$work/run/" || return 1
  (cd "$work/run" && "${runner[@]}" "$dlfgen" "${words[@]}" >/dev/null 2>&1)
  if ! tr -d '\r' <"$work/run/$output" 2>/dev/null | cmp -s - "$work/expected"; then
    echo "dlfgen $args does not write:"
    cat "$work/expected"
    return 1
  fi
}

examples_match() {
  local line args='' in_block=0 checked=' '
  : >"$work/expected"
  while IFS= read -r line; do
    if [[ $line =~ ^\ *(v[0-9]\.[0-9][0-9]|ZUN_CONFIG_FILE,\".*\"|0x[0-9A-F]{16},\".*\")\ *$ && -n $args ]]; then
      printf '%s\n' "${BASH_REMATCH[1]}" >>"$work/expected"
      in_block=1
      continue
    fi
    if ((in_block)); then
      run_example "$args" || return 1
      checked+="$(head -n 1 "$work/expected") "
      : >"$work/expected"
      in_block=0
      args=
    fi
    [[ $line =~ ^\ *\$\ dlfgen\ (.*)$ ]] && args=${BASH_REMATCH[1]}
  done < <(section "LAYOUT FILE FORMAT"; echo)
  [[ $checked == *" v1.00 "* && $checked == *" v2.00 "* ]] ||
    { echo "examples checked:$checked"; return 1; }
}

carries_version() {
  tail -n 1 "$work/page.txt" | grep -qF "dlfgen $version "
}

# The date field of .TH.
page_date() {
  awk '$1 == ".TH" { print $4; exit }' "$1"
}

dated_a_real_day() {
  local day
  day=$(page_date "$page")
  [[ $day =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}$ && $(date -u -d "$day" +%F 2>/dev/null) == "$day" ]] ||
    { echo ".TH date '$day' is not a day YYYY-MM-DD"; return 1; }
  tail -n 1 "$work/page.txt" | grep -qF " $day " || { echo "the footer has no $day:"; tail -n 1 "$work/page.txt"; return 1; }
}

# configured_date EPOCH TZ DAY: the sources configured afresh with
# SOURCE_DATE_EPOCH=EPOCH ("unset": none) in the time zone TZ date the page
# DAY ("today": the day in UTC).
configured_date() {
  local epoch=$1 zone=$2 want=$3 dir=$work/configured got before after
  local -a set_epoch=()
  [[ $epoch == unset ]] || set_epoch=("SOURCE_DATE_EPOCH=$epoch")
  rm -rf "$dir"
  before=$(date -u +%F)
  env -u SOURCE_DATE_EPOCH "${set_epoch[@]}" TZ="$zone" \
    "$cmake" -S "$source_dir" -B "$dir" -DBUILD_TESTING=OFF >"$work/configure.log" 2>&1 ||
    { tail -n 20 "$work/configure.log"; return 1; }
  after=$(date -u +%F)
  got=$(page_date "$dir/dlfgen.1")
  if [[ $want == today ]]; then
    [[ $got == "$before" || $got == "$after" ]] || { echo "dated $got, not today ($after) in UTC"; return 1; }
  else
    [[ $got == "$want" ]] || { echo "dated $got, not $want"; return 1; }
  fi
}

check "groff -man -ww finds nothing to warn about" lint_groff
check "mandoc -T lint finds nothing to warn about" lint_mandoc
check "every section is there" has_sections
check "every option letter has an entry" options_documented
check "every message is documented" messages_documented
while IFS='|' read -r code expected; do
  check "message check fails on: $code" message_check_fails "$code" "$expected"
done <<'EOF'
void f() { std::fprintf(stderr, "brand new failure: %s\n", "x"); }|not documented: "brand new failure: %s"
void f() { std::printf("one line documented\nusage: %s [args]\n", "x"); }|not documented: "one line documented"
void f(const char* m) { std::fprintf(stderr, m); }|the format of this fprintf is not a string literal
void f() { std::fputs("lost\n", stderr); }|fputs prints a message this check cannot read
EOF
check "layout examples are what the tool writes" examples_match
check "the version of the build" carries_version
check "dated a real day, shown in the footer" dated_a_real_day
# The time zones put the local day on either side of the UTC day.
while read -r epoch zone day; do
  check "SOURCE_DATE_EPOCH=$epoch TZ=$zone dates the page $day" configured_date "$epoch" "$zone" "$day"
done <<'EOF'
1700000000 XYZ-13 2023-11-14
0 XYZ+12 1970-01-01
951782400 UTC 2000-02-29
unset XYZ-13 today
EOF

finish

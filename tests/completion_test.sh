#!/bin/bash
# Drives the bash completion of dlfgen in a real bash with bash-completion
# loaded, as readline would: COMP_LINE, COMP_POINT, COMP_WORDS and
# COMP_CWORD for a line with the cursor at its end, in a temporary folder of
# fixture files, then compares the candidates and the completion options
# (compopt -o ...) the function asked for.
#
# usage: completion_test.sh path/to/completion [bash_completion]
set -u
if [[ $# -lt 1 || $# -gt 2 || ! -f $1 ]]; then
  echo "usage: completion_test.sh path/to/completion [bash_completion]" >&2
  exit 2
fi
completion=$(realpath "$1")
bash_completion=${2:-/usr/share/bash-completion/bash_completion}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
touch a.bin ab.bin boot.esf out.dlf
mkdir sub
touch sub/x.bin

# Completes one line in the shell that runs this script; prints the sorted
# candidates on the first line and the options asked for on the second.
complete_line() {
  local line=$1 options=
  local -a COMP_WORDS COMPREPLY=()
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *' ' ]] && COMP_WORDS+=("")
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  "$function" dlfgen "$cur" "$prev"
  printf '%s\n' "$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ')" "${options# }"
}

# Outside of a real completion compopt cannot change anything: it records
# what was asked for instead.
compopt() {
  while (($#)); do
    [[ $1 == -o ]] && { options+=" $2"; shift; }
    shift
  done
}

# shellcheck source=/dev/null
source "$bash_completion" || exit 2
# shellcheck source=/dev/null
source "$completion" || exit 2
function=$(complete -p dlfgen 2>/dev/null | sed -n 's/.* -F \([^ ]*\) .*/\1/p')
if [[ -z $function ]]; then
  echo "FAIL: the completion does not register a function for dlfgen"
  echo "0 passed, 1 failed"
  exit 1
fi

all_options='-c -h -l -o -p -q -s'
passed=0
failed=0
# line | candidates, sorted | completion options asked for
while IFS='|' read -r line want_candidates want_options; do
  got=$(complete_line "$line")
  want=$(printf '%s\n%s' "$want_candidates" "$want_options")
  if [[ $got == "$want" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: '$line'"
    echo "  expected: $(printf '%s' "$want" | paste -sd '|')"
    echo "  got:      $(printf '%s' "$got" | paste -sd '|')"
  fi
done <<EOF
dlfgen |$all_options|
dlfgen -|$all_options|
dlfgen -q |$all_options|
dlfgen -p a.bin -|$all_options|
dlfgen -p -|$all_options|
dlfgen -o out.dlf -p|-p|
dlfgen -p |a.bin ab.bin boot.esf out.dlf sub|filenames
dlfgen -p a|a.bin ab.bin|filenames
dlfgen -p sub/|sub/x.bin|filenames
dlfgen -p zz||
dlfgen -p a.bin,|a.bin,a.bin a.bin,ab.bin a.bin,boot.esf a.bin,out.dlf a.bin,sub/|
dlfgen -p a.bin,,b|a.bin,,boot.esf|
dlfgen -p a.bin,s|a.bin,sub/|nospace
dlfgen -p a.bin,sub/|a.bin,sub/x.bin|
dlfgen -p a.bin,b.bin,zz||
dlfgen -o o|out.dlf|filenames
dlfgen -s b|boot.esf|filenames
dlfgen -c -s boot.esf -p a.bin,ab.bin -o |a.bin ab.bin boot.esf out.dlf sub|filenames
dlfgen -l ||
dlfgen -l 0x1||
dlfgen -q x||
dlfgen stray||
EOF

echo "$passed passed, $failed failed"
((failed == 0))

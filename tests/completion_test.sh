#!/bin/bash
# SPDX-License-Identifier: MIT
# Drives the bash completion of dlfgen in a real bash with bash-completion
# loaded, as readline would: COMP_LINE, COMP_POINT, COMP_WORDS and
# COMP_CWORD for a line with the cursor at its end, in a temporary folder of
# fixture files, then compares the candidates and the completion options
# (compopt -o ...) the function asked for. Lines are split into words as
# bash splits them for completion: quotes and backslashes hold a word
# together, and an unquoted : or = is a word of its own.
#
# usage: completion_test.sh path/to/completion [bash_completion]
set -u
if [[ $# -lt 1 || $# -gt 2 || ! -f $1 ]]; then
  echo "usage: completion_test.sh path/to/completion [bash_completion]" >&2
  exit 2
fi
completion=$(realpath "$1")
bash_completion=${2:-/usr/share/bash-completion/bash_completion}
if [[ ! -f $bash_completion ]]; then
  echo "SKIP: bash-completion is not installed ($bash_completion)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/plain" "$work/quoting"
cd "$work/plain" || exit 2
touch a.bin ab.bin boot.esf out.dlf
mkdir sub
touch sub/x.bin
# Names that the shell would split or expand unless quoted, in a folder of
# their own so that the listings above stay as they are.
(
  cd "$work/quoting" || exit 2
  # shellcheck disable=SC2016 # the $ and ` are part of the names
  touch 'my file.bin' '$HOME.bin' "it's.bin" '"q".bin' 'r&b;(1).bin' \
    'bang!.bin' 't`x`.bin' 'star*.bin' $'new\nline.bin' .hidden c:d.bin e=f.bin \
    'w!' "x'" 'y"'
  mkdir 'sp dir'
  touch 'sp dir/x y.bin'
) || exit 2

# Splits $1 into COMP_WORDS.
split_words() {
  local line=$1 word='' quote='' c i
  COMP_WORDS=()
  for ((i = 0; i < ${#line}; i++)); do
    c=${line:i:1}
    if [[ $c == \\ && $quote != "'" ]]; then
      word+=$c${line:i+1:1}
      i=$((i + 1))
    elif [[ -n $quote ]]; then
      word+=$c
      [[ $c == "$quote" ]] && quote=''
    elif [[ $c == [\"\'] ]]; then
      word+=$c
      quote=$c
    elif [[ $c == ' ' ]]; then
      [[ -n $word ]] && COMP_WORDS+=("$word")
      word=''
    elif [[ $c == [:=] ]]; then
      [[ -n $word ]] && COMP_WORDS+=("$word")
      COMP_WORDS+=("$c")
      word=''
    else
      word+=$c
    fi
  done
  if [[ -n $word ]]; then
    COMP_WORDS+=("$word")
  elif [[ $line == *' ' ]]; then
    COMP_WORDS+=("")
  fi
}

# Completes one line in the shell that runs this script; prints the sorted
# candidates on the first line and the options asked for on the second.
complete_line() {
  local line=$1 options=
  local -a COMP_WORDS COMPREPLY=()
  split_words "$line"
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
# Reads a table of cases: line | candidates, sorted | completion options
# asked for.
check_table() {
  local line want_candidates want_options got want
  while IFS='|' read -r line want_candidates want_options; do
    got=$(complete_line "$line")
    want=$(printf '%s\n%s' "$want_candidates" "$want_options")
    if [[ $got == "$want" ]]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "FAIL: '$line' in $PWD"
      echo "  expected: $(printf '%s' "$want" | paste -sd '|')"
      echo "  got:      $(printf '%s' "$got" | paste -sd '|')"
    fi
  done
}

check_table <<EOF
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

# After a comma each candidate is what readline puts in place of the text
# it completes, quoted for the shell: from the open quote when there is
# one, else from the last : or =, else the whole word; what was typed stays
# as it was typed. A sole match leaves a quote open only for readline to
# close. An expansion or a pattern in the item gets nothing.
cd "$work/quoting" || exit 2
check_table <<'EOF'
dlfgen -p a.bin,my|a.bin,my\ file.bin|
dlfgen -p a.bin,my\ |a.bin,my\ file.bin|
dlfgen -p a.bin,my\|a.bin,my\ file.bin|
dlfgen -p a.bin,"my f|"my file.bin|
dlfgen -p a.bin,"my f"|a.bin,"my f"ile.bin|
dlfgen -p 'a.bin,my|'a.bin,my file.bin|
dlfgen -p a.bin,my'|' file.bin|
dlfgen -p a.bin\,my|a.bin\,my\ file.bin|
dlfgen -p "a.bin,my f",my|"a.bin,my f",my\ file.bin|
dlfgen -p my\ file.bin,it|my\ file.bin,it\'s.bin|
dlfgen -p "my file.bin",it|"my file.bin",it\'s.bin|
dlfgen -p 'r&b;(1).bin',ba|'r&b;(1).bin',bang\!.bin|
dlfgen -p $HOME,my|$HOME,my\ file.bin|
dlfgen -p a.bin,\$|a.bin,\$HOME.bin|
dlfgen -p a.bin,$|a.bin,\$HOME.bin|
dlfgen -p "a.bin,$|"a.bin,\$HOME.bin|
dlfgen -p 'a.bin,$|'a.bin,$HOME.bin|
dlfgen -p a.bin,$HOME||
dlfgen -p a.bin,${HOME}||
dlfgen -p a.bin,$(echo)||
dlfgen -p a.bin,`x||
dlfgen -p a.bin,$'x||
dlfgen -p a.bin,st*||
dlfgen -p a.bin,it|a.bin,it\'s.bin|
dlfgen -p a.bin,'it'\'|a.bin,'it'\'s.bin|
dlfgen -p a.bin,'it'\''|'s.bin|
dlfgen -p "a.bin,it|"a.bin,it's.bin|
dlfgen -p 'a.bin,it|'a.bin,it'\''s.bin|
dlfgen -p a.bin,\"|a.bin,\"q\".bin|
dlfgen -p "a.bin,\"|"a.bin,\"q\".bin|
dlfgen -p 'a.bin,"|'a.bin,"q".bin|
dlfgen -p a.bin,r|a.bin,r\&b\;\(1\).bin|
dlfgen -p a.bin,ba|a.bin,bang\!.bin|
dlfgen -p "a.bin,ba|"a.bin,bang"\!".bin|
dlfgen -p a.bin,t|a.bin,t\`x\`.bin|
dlfgen -p "a.bin,t|"a.bin,t\`x\`.bin|
dlfgen -p a.bin,st|a.bin,star\*.bin|
dlfgen -p a.bin,star\*|a.bin,star\*.bin|
dlfgen -p a.bin,ne|a.bin,ne$'w\nline.bin'|
dlfgen -p a.bin,.h|a.bin,.hidden|
dlfgen -p a.bin,c:|d.bin|
dlfgen -p a.bin,c\:|a.bin,c\:d.bin|
dlfgen -p "a.bin,c:|"a.bin,c:d.bin|
dlfgen -p a.bin,e=|f.bin|
dlfgen -p a.bin,x|a.bin,x\'|
dlfgen -p 'a.bin,x|'a.bin,x'\'''|
dlfgen -p "a.bin,y|"a.bin,y\""|
dlfgen -p "a.bin,w|"a.bin,w"\!""|
dlfgen -p a.bin,sp|a.bin,sp\ dir/|nospace
dlfgen -p "a.bin,sp|"a.bin,sp dir/|nospace
dlfgen -p a.bin,sp\ dir/|a.bin,sp\ dir/x\ y.bin|
dlfgen -p "a.bin,sp dir/"x|"a.bin,sp dir/"x\ y.bin|
EOF

echo "$passed passed, $failed failed"
((failed == 0))

#!/bin/bash
# SPDX-License-Identifier: MIT
# Completes -p lists the way a user does: types a line into an interactive
# bash in a tmux pane, with bash-completion and the completion sourced, with
# TAB where a case says <TAB>, then Enter. dlfgen there is a function that
# writes its arguments, NUL-terminated, to a file: each case compares the
# exact argument vector that the completed line gives.
#
# usage: completion_pty_test.sh path/to/completion [bash_completion]
set -u
if [[ $# -lt 1 || $# -gt 2 || ! -f $1 ]]; then
  echo "usage: completion_pty_test.sh path/to/completion [bash_completion]" >&2
  exit 2
fi
completion=$(realpath "$1")
bash_completion=${2:-/usr/share/bash-completion/bash_completion}
if ! command -v tmux >/dev/null; then
  echo "SKIP: tmux is not installed"
  exit 77
fi
if [[ ! -f $bash_completion ]]; then
  echo "SKIP: bash-completion is not installed ($bash_completion)"
  exit 77
fi
# shellcheck source=tests/checks.sh
source "$(dirname "$0")/checks.sh"
socket=$work/tmux.socket
trap 'tmux -S "$socket" kill-server 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/home" "$work/compat" "$work/files"
(
  cd "$work/files" || exit 2
  # shellcheck disable=SC2016 # the $ is part of the name
  touch a.bin 'my file.bin' 'cost $5 & it'\''s "q".bin' 'bang!x(y);z.bin' c:d.bin
  mkdir 'sub dir' lead tail
  touch 'sub dir/x y.bin' "lead/'x!.bin" "tail/y'" 'tail/z"' 'tail/w!'
) || exit 2

# Nothing from the machine or the user: no startup files, no inputrc but
# this one, no completions but these two, a prompt to wait for.
cat >"$work/inputrc" <<'EOF'
set bell-style none
set enable-bracketed-paste off
set horizontal-scroll-mode off
EOF
cat >"$work/rc" <<EOF
source $(printf %q "$bash_completion")
source $(printf %q "$completion")
dlfgen() {
  printf '%s\\0' "\$@" >$(printf %q "$work/argv.tmp") &&
    mv $(printf %q "$work/argv.tmp") $(printf %q "$work/argv")
}
cd $(printf %q "$work/files")
PS1='ok> '
EOF

t() {
  timeout 10 tmux -S "$socket" -f /dev/null "$@"
}

# One server for every case: left to exit when a case's session ends, it
# could still be exiting when the next case asks it for a session.
t start-server \; set-option -g exit-empty off || exit 2

# wait_for_prompt PROMPT: the pane's last line is PROMPT with nothing typed
# after it, so readline is reading; gives up after 20 seconds.
wait_for_prompt() {
  local tries
  for ((tries = 0; tries < 400; tries++)); do
    [[ $(t capture-pane -p -t case | sed '/^$/d' | tail -n 1) == "$1" ]] && return 0
    sleep 0.05
  done
  echo "no prompt '$1'; the pane shows:"
  t capture-pane -p -t case | sed '/^$/d'
  return 1
}

# types KEYS EXPECTED-ARGUMENT...: in a new shell, types KEYS and Enter and
# compares the arguments that dlfgen got.
types() {
  local keys=$1 part tries
  shift
  rm -f "$work/argv"
  t new-session -d -s case -x 200 -y 50 -- env -i HOME="$work/home" \
    PATH="$PATH" TERM=screen LC_ALL=C INPUTRC="$work/inputrc" HISTFILE= \
    BASH_COMPLETION_COMPAT_DIR="$work/compat" PS1='ready> ' \
    bash --norc --noprofile -i || return 1
  wait_for_prompt 'ready>' || { t kill-session -t case; return 1; }
  t send-keys -t case -l "source $work/rc" \; send-keys -t case Enter
  wait_for_prompt 'ok>' || { t kill-session -t case; return 1; }
  while [[ $keys == *'<TAB>'* ]]; do
    part=${keys%%'<TAB>'*}
    keys=${keys#*'<TAB>'}
    [[ -n $part ]] && t send-keys -t case -l -- "$part"
    t send-keys -t case Tab
  done
  [[ -n $keys ]] && t send-keys -t case -l -- "$keys"
  t send-keys -t case Enter
  for ((tries = 0; tries < 200; tries++)); do
    [[ -e $work/argv ]] && break
    sleep 0.05
  done
  local -a got=()
  [[ -e $work/argv ]] && mapfile -d '' got <"$work/argv"
  if [[ ${got[*]@Q} != "${*@Q}" ]]; then
    echo "expected: ${*@Q}"
    echo "got:      ${got[*]@Q}"
    echo "the pane shows:"
    t capture-pane -p -t case | sed '/^$/d'
    t kill-session -t case
    return 1
  fi
  t kill-session -t case
}

# keys typed, <TAB> for the TAB key | the arguments that result, one a field
while IFS='|' read -r -a fields; do
  check "${fields[0]}" types "${fields[@]}"
done <<'EOF'
dlfgen -p my<TAB>|-p|my file.bin
dlfgen -p a.bin,my<TAB>|-p|a.bin,my file.bin
dlfgen -c -p a.bin,my<TAB>-q|-c|-p|a.bin,my file.bin|-q
dlfgen -p a.bin,"my f<TAB>|-p|a.bin,my file.bin
dlfgen -p a.bin,co<TAB>|-p|a.bin,cost $5 & it's "q".bin
dlfgen -p 'a.bin,co<TAB>|-p|a.bin,cost $5 & it's "q".bin
dlfgen -p "a.bin,co<TAB>|-p|a.bin,cost $5 & it's "q".bin
dlfgen -p a.bin,ba<TAB>|-p|a.bin,bang!x(y);z.bin
dlfgen -p "a.bin,ba<TAB>|-p|a.bin,bang!x(y);z.bin
dlfgen -p a.bin,su<TAB>x<TAB>|-p|a.bin,sub dir/x y.bin
dlfgen -p "a.bin,su<TAB>x<TAB>|-p|a.bin,sub dir/x y.bin
dlfgen -p a.bin,c:<TAB>|-p|a.bin,c:d.bin
dlfgen -p a.bin,lead/'<TAB>|-p|a.bin,lead/'x!.bin
dlfgen -p a.bin,lead/"<TAB>|-p|a.bin,lead/'x!.bin
dlfgen -p 'a.bin,tail/y<TAB>-q|-p|a.bin,tail/y'|-q
dlfgen -p "a.bin,tail/z<TAB>-q|-p|a.bin,tail/z"|-q
dlfgen -p "a.bin,tail/w<TAB>-q|-p|a.bin,tail/w!|-q
EOF
finish

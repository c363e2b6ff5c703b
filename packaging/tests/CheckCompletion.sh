#!/usr/bin/env bash
# Usage: CheckCompletion.sh <completion file> <skw-manager-cli> <skw-module-sim>
#
# Completes typed command lines with the bash completion of skw-manager-cli and compares the
# offered words; port paths come from the tool's own port list, here a running virtual module.
set -uo pipefail
completion=$1
cli=$2
sim=$3

# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion
# shellcheck source=/dev/null
source "$completion"
PATH=$(dirname "$cli"):$PATH

# The words offered for `line`, typed with the cursor at its end, sorted on one line.
offered() {
  local line=$1
  COMP_LINE=$line
  COMP_POINT=${#line}
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *' ' ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _skw_manager_cli skw-manager-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | xargs
}

"$sim" --model GaX-sKW523 --name CompletionTest --log /dev/null >"$XDG_RUNTIME_DIR/port" &
sim_pid=$!
trap 'kill -TERM $sim_pid; wait $sim_pid' EXIT
port=""
for _ in $(seq 1 100); do
  port=$(head -n 1 "$XDG_RUNTIME_DIR/port" 2>/dev/null)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the virtual module published no port" >&2; exit 1; }

# typed line | words offered
cases=(
  "skw-manager-cli |--help --version -h apply export factory-reset info ports reboot report scan set"
  "skw-manager-cli fa|factory-reset"
  "skw-manager-cli reboot |--baud --expect-model --help --port --record-session -b -h -p"
  "skw-manager-cli factory-reset --y|--yes"
  "skw-manager-cli set --r|--record-session --role"
  "skw-manager-cli set --role multi-|multi-at multi-bypass"
  "skw-manager-cli set -p /dev/null --autocon |off on"
  "skw-manager-cli scan --rs|--rssi-min"
  "skw-manager-cli info -b 11|115200"
  "skw-manager-cli info --port ${port%/*}/Completion|$port"
  "skw-manager-cli info -p $port|$port"
  "skw-manager-cli set --name |"
  "skw-manager-cli apply --w|--watch"
  "skw-manager-cli export --o|--output"
  "skw-manager-cli apply --re|--record --report --reset-counter --retries"
  "skw-manager-cli report --result F|FAIL"
)
failed=0
for entry in "${cases[@]}"; do
  line=${entry%%|*}
  expected=${entry#*|}
  actual=$(offered "$line")
  if [ "$actual" != "$expected" ]; then
    echo "'$line': offered '$actual', expected '$expected'" >&2
    failed=1
  fi
done
# Nothing typed yet: the tool's port list, not the files of the current folder.
if ! offered "skw-manager-cli scan --port " | tr ' ' '\n' | grep -qxF -- "$port"; then
  echo "'skw-manager-cli scan --port ': the virtual module's port $port is not offered" >&2
  failed=1
fi
exit "$failed"

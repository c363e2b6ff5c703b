#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each in turn for the given time, then prints
# one line per target (executions, executions a second, peak memory); fails if any target found
# a crash. The corpus each target grows is kept in build/fuzz/corpus/<target> for the next run;
# the committed seeds are only read.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))

# target (fuzz_<target>)  seeds (fuzz/seeds/...)  dictionary  libFuzzer options
targets=(
  # a frame never exceeds 255 bytes: a little more covers the one that does
  "at_framer     at_stream     at_answers.dict    -max_len=300"
  "at_channel    at_channel    at_answers.dict    -max_len=300"
  "at_matchers   at_frame      at_answers.dict    -max_len=255"
  # room for a settings file with all eight slots
  "profile       profile       profile.dict       -max_len=2048"
  "name_counter  name_counter  name_counter.dict  -max_len=64"
  # what a remote port's server sends: Telnet commands, sub-negotiations, escaped data
  "telnet_receive telnet       telnet.dict        -max_len=512"
)

selected=()
for entry in "${targets[@]}"; do
  read -r name _ <<<"$entry"
  if [ $# -eq 0 ] || [[ " $* " == *" $name "* ]]; then
    selected+=("$entry")
  fi
done
if [ ${#selected[@]} -eq 0 ]; then
  echo "fuzz: no target named $*" >&2
  exit 2
fi

bash scripts/setup.sh
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, skipped"
  exit 0
fi
cmake --preset fuzz
binaries=()
for entry in "${selected[@]}"; do
  read -r name _ <<<"$entry"
  binaries+=("fuzz_$name")
done
cmake --build --preset fuzz --target "${binaries[@]}"

# ASan's default quarantine of freed blocks (256 MB) was most of a target's memory; one input
# frees far less than 32 MB, so a use after free within it is still caught.
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=32"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p build/fuzz/artifacts build/fuzz/logs

stat() {  # stat <log> <name>: a final statistic of libFuzzer's, or "?"
  local value
  value=$(sed -n "s/^stat::$2: *//p" "$1" | tail -n 1)
  echo "${value:-?}"
}

summary=()
failed=0
total_runs=0
for entry in "${selected[@]}"; do
  read -r name seeds dict options <<<"$entry"
  corpus=build/fuzz/corpus/$name
  log=build/fuzz/logs/$name.log
  mkdir -p "$corpus"
  echo "fuzz: $name for $seconds s (log: $log)"
  status=ok
  # The processor time it had, besides the wall time: on a busy machine exec/s falls with the
  # share of the processor it gets, executions per processor-second do not.
  TIMEFORMAT='%U %S'
  # shellcheck disable=SC2086  # options are several words
  if ! { time "build/fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=25 \
    -print_final_stats=1 -dict="fuzz/$dict" $options \
    -artifact_prefix="build/fuzz/artifacts/$name-" "$corpus" "fuzz/seeds/$seeds" \
    >"$log" 2>&1; } 2>"$log.cpu"; then
    status="FAILED: $(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)"
    failed=1
    tail -n 60 "$log"
  fi
  runs=$(stat "$log" number_of_executed_units)
  per_cpu=$(awk -v runs="$runs" '{ cpu = $1 + $2 } END { print (cpu > 0 && runs ~ /^[0-9]+$/) ? int(runs / cpu) : "?" }' "$log.cpu")
  total_runs=$((total_runs + ${runs//\?/0}))
  summary+=("$(printf '%-14s %12s runs %9s exec/s %9s exec/cpu-s %6s MB  %s' "$name" \
    "$runs" "$(stat "$log" average_exec_per_sec)" "$per_cpu" "$(stat "$log" peak_rss_mb)" \
    "$status")")
done

echo "fuzz: $seconds s per target"
printf '%s\n' "${summary[@]}"
echo "fuzz: $total_runs executions in all"
exit $failed

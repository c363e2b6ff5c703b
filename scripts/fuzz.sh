#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short while (default 60 s).
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

bash scripts/setup.sh
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, skipped"
  exit 0
fi
cmake --preset fuzz
cmake --build --preset fuzz --target fuzz_at_responses

# New inputs go to the corpus in the build tree; the committed seeds are only read.
corpus=build/fuzz/corpus/at_responses
mkdir -p "$corpus"
export ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1"
build/fuzz/fuzz/fuzz_at_responses -max_total_time="$seconds" -print_final_stats=1 \
  -dict=fuzz/at_answers.dict "$corpus" fuzz/seeds

cmake --build --preset fuzz --target fuzz_telnet_receive
telnet_corpus=build/fuzz/corpus/telnet_receive
mkdir -p "$telnet_corpus"
build/fuzz/fuzz/fuzz_telnet_receive -max_total_time="$seconds" -print_final_stats=1 \
  "$telnet_corpus"

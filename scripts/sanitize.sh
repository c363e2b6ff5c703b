#!/usr/bin/env bash
# Builds the toolkit-free libraries and their tests under a sanitizer and runs them.
# Usage: scripts/sanitize.sh asan|tsan
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: scripts/sanitize.sh asan|tsan}

bash scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
case "$preset" in
  tsan) export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ;;
  asan) export ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1" ;;
esac
ctest --preset "$preset"

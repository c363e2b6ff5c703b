#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test of the normal build.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default
cmake --build --preset default
ctest --preset default "$@"

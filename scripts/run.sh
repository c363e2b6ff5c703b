#!/usr/bin/env bash
# Builds what is needed and starts the program with a virtual module attached.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
echo "run: the program is not there yet; the build is in build/default."

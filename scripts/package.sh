#!/usr/bin/env bash
# Builds the Debian package (skw-manager_<version>_<arch>.deb) into build/package/, from the
# default build tree: configured and built first when needed, then packed by CPack with the
# /usr prefix and stripped programs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
rm -f build/package/skw-manager_*.deb
cpack --config build/default/CPackConfig.cmake -B build/package
ls build/package/skw-manager_*.deb

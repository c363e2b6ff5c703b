#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with. Idempotent: it installs
# only what is missing and runs `apt-get update` once, only when it has something to install.
# `setup.sh windows` adds what the Windows cross build and its check under wine need;
# `setup.sh screenshots` what it takes to start the window on a virtual X server and photograph
# it (xvfb-run -a bash scripts/run.sh, then ImageMagick's import -window root shot.png).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache
  libasio-dev libutfcpp-dev libcli11-dev nlohmann-json3-dev libsqlite3-dev libpq-dev postgresql
  qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-translations-l10n
  libgl-dev libxkbcommon-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev
  fonts-noto-cjk
  qt6-svg-dev
  dpkg-dev file lintian desktop-file-utils appstream man-db bash-completion
  ser2net
)

windows_packages=(
  g++-mingw-w64-x86-64-posix googletest wine wine64
)
screenshot_packages=(
  xvfb xauth imagemagick xdotool
)
case "${1:-}" in
  windows) packages+=("${windows_packages[@]}") ;;
  screenshots) packages+=("${screenshot_packages[@]}") ;;
esac

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "setup: installing ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# CI: builds the Debian package, checks it with lintian, installs it with apt-get as root, runs
# the installed programs from PATH, validates the installed desktop entry and metainfo, then
# removes the package and checks that nothing of it stays under /usr.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

bash scripts/package.sh
deb=$(ls build/package/skw-manager_*.deb)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Section Depends Recommends

# Errors fail the check; warnings and notes are printed for review.
lintian --fail-on error --info "$deb"

work=$(mktemp -d "${TMPDIR:-/tmp}/skw-package.XXXXXX")
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid"
    wait "$sim_pid" || true
  fi
  # A failed check must not leave the package on the machine.
  if dpkg-query -W -f='${Status}' skw-manager 2>/dev/null | grep -q "install ok installed"; then
    "${as_root[@]}" apt-get remove -y -qq skw-manager >/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --reinstall "./$deb"
installed_files=$(dpkg-query -L skw-manager)

# The installed programs, from PATH, in a scratch home and runtime folder.
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime LANGUAGE=en
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
for program in skw-manager skw-manager-cli skw-module-sim; do
  [ "$(command -v "$program")" = "/usr/bin/$program" ] || {
    echo "check-package: $program is not /usr/bin/$program on PATH" >&2
    exit 1
  }
done
skw-manager-cli --version
skw-module-sim --help >/dev/null

skw-module-sim --model GaX-sKW523 --log "$work/sim.log" >"$work/port" &
sim_pid=$!
port=""
for _ in $(seq 1 100); do
  port=$(head -n 1 "$work/port" 2>/dev/null || true)
  [ -n "$port" ] && [ -e "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "check-package: skw-module-sim published no port" >&2; exit 1; }
skw-manager-cli info --port "$port"
kill -TERM "$sim_pid"
wait "$sim_pid"
sim_pid=""

# The desktop program has no way to end by itself at its first dialog: alive after a few
# seconds on the offscreen platform counts as started; a crash or a missing plugin ends it sooner.
status=0
QT_QPA_PLATFORM=offscreen timeout 5 skw-manager || status=$?
if [ "$status" -ne 124 ]; then
  echo "check-package: skw-manager ended with status $status before its timeout" >&2
  exit 1
fi
echo "skw-manager: still running after 5 s, stopped"

desktop-file-validate /usr/share/applications/com.quorvex.skwmanager.desktop
appstreamcli validate --no-net /usr/share/metainfo/com.quorvex.skwmanager.metainfo.xml
man -w skw-manager skw-manager-cli skw-module-sim

DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get remove -y -qq skw-manager
left=()
while IFS= read -r path; do
  if [ -e "$path" ] && [ ! -d "$path" ]; then
    left+=("$path")
  fi
done <<<"$installed_files"
while IFS= read -r path; do
  [ -n "$path" ] && left+=("$path")
done < <(find /usr -path /usr/local -prune -o \( -iname '*skw*' -o -iname '*quorvex*' \) -print)
if [ ${#left[@]} -gt 0 ]; then
  printf 'check-package: left after removal: %s\n' "${left[@]}" >&2
  exit 1
fi
echo "check-package: installed, ran, validated and removed cleanly"

#!/usr/bin/env bash
# Builds what is needed and starts the program with a virtual module ("GaX-sKW523") attached;
# the module stops when the program ends. Arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
run: no display. The program is a desktop window and needs an X11 or Wayland session
(DISPLAY or WAYLAND_DISPLAY). Without one, run it under a virtual X server:
  xvfb-run -a bash scripts/run.sh
or, to start it without showing anything (for a check only):
  QT_QPA_PLATFORM=offscreen bash scripts/run.sh
MSG
  exit 1
fi

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target skw-manager skw-module-sim

build=build/default
work=$(mktemp -d "${TMPDIR:-/tmp}/skw-run.XXXXXX")
log="${TMPDIR:-/tmp}/skw-module-sim-$(id -u).log"
: >"$log"
sim_pid=""
app_pid=""

stop() {
  local pid
  for pid in "$app_pid" "$sim_pid"; do
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The module prints the path of its port once the port is published.
"$build/sim/skw-module-sim" --model GaX-sKW523 --log "$log" >"$work/port" &
sim_pid=$!
port=""
for _ in $(seq 1 100); do
  port=$(head -n 1 "$work/port" 2>/dev/null || true)
  if [ -n "$port" ] && [ -e "$port" ]; then
    break
  fi
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "run: the virtual module did not start" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$port" ] || [ ! -e "$port" ]; then
  echo "run: the virtual module's port did not appear" >&2
  exit 1
fi
echo "run: virtual module GaX-sKW523 on $port (preselected in the COM port list unless the last used port is present);"
echo "run: what it receives and answers is logged in $log"

# In the background and waited for, so that a signal to this script is handled at once.
"$build/app/skw-manager" --port "$port" "$@" &
app_pid=$!
status=0
wait "$app_pid" || status=$?
app_pid=""
exit "$status"

#!/usr/bin/env bash
# Opens the XJ-K52II Utility on the printer simulator: starts the simulator on a loopback
# port, registers that port with the communication library (as Add Port would), starts
# the utility from the build's installation folder and stops the simulator when the
# utility ends. Everything it keeps (the simulator's printer settings, the registered
# port, the utility's setting files and user data, locks when there is no runtime
# folder) lives under build/run/.
#
# Usage: scripts/run-with-simulator.sh BUILD_FOLDER [utility options...]
# (`make run` passes build/release.)
#        scripts/run-with-simulator.sh --check-display
# only checks that there is a display to open the window on (`make run` does this
# before it builds).
set -euo pipefail

check_display() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "There is no display to open the utility's window on (DISPLAY, WAYLAND_DISPLAY and" >&2
    echo "QT_QPA_PLATFORM are all unset). On a machine without a desktop, run it on a virtual" >&2
    echo "display instead:  xvfb-run make run" >&2
    exit 1
  fi
}

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_FOLDER [utility options...] | $0 --check-display" >&2
  exit 2
fi
if [ "$1" = "--check-display" ]; then
  check_display
  exit 0
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
shift
dist="$build/dist"
run="$root/build/run"

check_display

for file in xjk52util xjk52-sim xjcomm-ports XJComm.so; do
  if [ ! -e "$dist/$file" ]; then
    echo "$dist/$file is missing: build the installation folder first (make release)." >&2
    exit 1
  fi
done

# The utility's common and per-user data folders of this run.
mkdir -p "$run/common" "$run/user"
export XJ_COMMON_APPDATA="$run/common"
export XDG_DATA_HOME="$run/user"
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ] || [ ! -w "$XDG_RUNTIME_DIR" ]; then
  export XDG_RUNTIME_DIR="$run/runtime"
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
fi

state="$run/simulator-state.ini"
port_file="$run/simulator-port"
sim_out="$run/simulator.out"
sim_err="$run/simulator.err"
control="$run/simulator.sock"
sim_pid=""

stop_simulator() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  sim_pid=""
}
trap stop_simulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Starts the simulator on 127.0.0.1:$1 (0: any free port); true once it is ready.
start_simulator() {
  : > "$sim_out"
  "$dist/xjk52-sim" --tcp "127.0.0.1:$1" --state "$state" --control "$control" \
    < /dev/null > "$sim_out" 2> "$sim_err" &
  sim_pid=$!
  for _ in $(seq 1 150); do
    if grep -qx ready "$sim_out"; then return 0; fi
    if ! kill -0 "$sim_pid" 2>/dev/null; then
      wait "$sim_pid" 2>/dev/null || true
      sim_pid=""
      return 1
    fi
    sleep 0.1
  done
  stop_simulator
  return 1
}

# The port of the last run keeps the printer's name and settings files the same from
# run to run; when it is taken, any free port will do.
previous=""
[ -f "$port_file" ] && previous="$(cat "$port_file")"
if ! { [ -n "$previous" ] && start_simulator "$previous"; } && ! start_simulator 0; then
  echo "The printer simulator did not start:" >&2
  cat "$sim_err" >&2
  exit 1
fi
endpoint="$(sed -n 's/^tcp //p' "$sim_out" | head -n 1)"
port="${endpoint##*:}"
if [ -n "$previous" ] && [ "$previous" != "$port" ]; then
  "$dist/xjcomm-ports" remove NET "127.0.0.1:$previous" > /dev/null 2>&1 || true
fi
echo "$port" > "$port_file"

if ! "$dist/xjcomm-ports" add NET "$endpoint" > /dev/null; then
  echo "The simulator's port $endpoint could not be registered." >&2
  exit 1
fi
export XJCOMM_NET_SEARCH="$endpoint"
echo "Printer simulator: $endpoint (settings kept in $state)."
echo "Simulator commands (cover open, paper end, battery 2, help ...): send them to $control"

set +e
"$dist/xjk52util" "$@"
status=$?
set -e
exit "$status"

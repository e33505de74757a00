#!/usr/bin/env bash
# Makes the README's screenshots (docs/screenshots/) from the real program on the
# printer simulator, under a virtual display (xvfb-run): the printer selection dialog,
# the main window on its first page (Printer Information), and the pages Print Settings
# and Settings Backup. The program runs in English with folders of its own (nothing of
# build/run/ or of the user's is touched), the simulator on 127.0.0.1:9100 when that
# port is free, so the pictures show the same port from run to run.
#
# Usage: scripts/make-screenshots.sh BUILD [OUTPUT_FOLDER]   (`make screenshots` passes
# build/release). Needs xvfb-run, xdotool and ImageMagick's import.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 BUILD [OUTPUT_FOLDER]" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
out="${2:-$root/docs/screenshots}"
dist="$build/dist"
for tool in xvfb-run xdotool import; do
  command -v "$tool" > /dev/null || { echo "$tool is missing (make screenshot-deps)." >&2; exit 1; }
done
for file in xjk52util xjk52-sim xjcomm-ports; do
  [ -x "$dist/$file" ] || { echo "$dist/$file is missing: build first (make release)." >&2; exit 1; }
done
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# The rest runs on the virtual display.
if [ -z "${XJ_SCREENSHOT_DISPLAY:-}" ]; then
  exec xvfb-run --auto-servernum --server-args="-screen 0 1280x900x24 -nolisten tcp" \
    env XJ_SCREENSHOT_DISPLAY=1 "$0" "$build" "$out"
fi

run="$(mktemp -d "${TMPDIR:-/tmp}/xjk52-screenshots.XXXXXX")"
sim_pid=""
app_pid=""
stop() {
  local pid
  for pid in $app_pid $sim_pid; do
    if kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$run"
}
trap stop EXIT

mkdir -p "$run/common" "$run/user" "$run/runtime" "$run/locks"
chmod 700 "$run/runtime"
export XJ_COMMON_APPDATA="$run/common" XDG_DATA_HOME="$run/user" XDG_RUNTIME_DIR="$run/runtime"
export XJ_LOCK_FOLDER="$run/locks" XJ_EVENT_LOG="$run/events.log" LANG=C.UTF-8
# No desktop session: notifications have nowhere to go.
export DBUS_SESSION_BUS_ADDRESS=disabled:
events="$run/events.log"

# Waits up to a minute for a line of the event log matching the pattern.
wait_for_event() {
  for _ in $(seq 1 600); do
    grep -q "$1" "$events" 2>/dev/null && return 0
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "The program did not log '$1':" >&2
  cat "$events" "$run/app.out" >&2 2>/dev/null || true
  exit 1
}

# Waits up to a minute for a visible window whose name matches; prints its id.
find_window() {
  local id
  for _ in $(seq 1 600); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)"
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  echo "No window '$1' appeared." >&2
  exit 1
}

# Captures the window into $out/NAME.png once everything has been drawn.
capture() {
  xdotool mousemove 0 0
  sleep 1
  import -window "$1" "$out/$2.png"
  echo "$out/$2.png"
}

start_simulator() {
  # With a control socket the simulator keeps running after the end of its input.
  "$dist/xjk52-sim" --tcp "127.0.0.1:$1" --state "$run/simulator.ini" --control "$run/simulator.sock" < /dev/null \
    > "$run/simulator.out" 2> "$run/simulator.err" &
  sim_pid=$!
  for _ in $(seq 1 150); do
    grep -qx ready "$run/simulator.out" && return 0
    kill -0 "$sim_pid" 2>/dev/null || { wait "$sim_pid" || true; sim_pid=""; return 1; }
    sleep 0.1
  done
  return 1
}
if ! start_simulator 9100 && ! start_simulator 0; then
  echo "The printer simulator did not start:" >&2
  cat "$run/simulator.err" >&2
  exit 1
fi
endpoint="$(sed -n 's/^tcp //p' "$run/simulator.out" | head -n 1)"
"$dist/xjcomm-ports" add NET "$endpoint" > /dev/null
export XJCOMM_NET_SEARCH="$endpoint"

"$dist/xjk52util" < /dev/null > "$run/app.out" 2>&1 &
app_pid=$!

# The printer selection dialog lists the simulator, chosen; Return presses OK.
dialog="$(find_window "^XJ-K52II Utility$")"
capture "$dialog" printer-selection
xdotool key --window "$dialog" Return

wait_for_event "	main-window-shown	"
wait_for_event "	settings-read	1"
window="$(find_window "^XJ-K52II Utility Ver")"
capture "$window" main-window

# The menu's rows are 30 pixels high (the size of its row pictures), the first row 4
# pixels below the top of the window: Print Settings is the fourth row, Settings Backup
# the tenth.
show_page() {
  xdotool mousemove --window "$window" 60 $((4 + 30 * $1 + 15)) click 1
  capture "$window" "$2"
  if cmp -s "$out/main-window.png" "$out/$2.png"; then
    echo "Choosing the menu row $1 did not change the window." >&2
    exit 1
  fi
}
show_page 3 page-print-settings
show_page 9 page-settings-backup

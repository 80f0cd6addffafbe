#!/usr/bin/env bash
# Screenshots of the real program on a virtual X server, fed by the simulated charger at line
# rate: the port is opened through the port dialog as a person would (Ctrl+O, tick COM200, OK),
# the program receives for a while, then each chart page is shown with its key and the screen
# is taken into docs/screen-page-N.png (0 all lines, 1 voltage, 2 current, 3 capacity).
#
#   bash tools/screenshots.sh [BUILD_DIR]     (default: build; korvane and the simulator built)
#
# Environment: RECEIVE_SECONDS (default 60), SCREEN (default 1280x800).
# Needs xvfb, xdotool, xwd (x11-apps) and netpbm, all in tools/setup.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
receive_seconds="${RECEIVE_SECONDS:-60}"
screen="${SCREEN:-1280x800}"
com=200
out="$root/docs"

program="$build/shell/korvane"
sim_program="$build/tools/sim/korvane-charger-sim"
for f in "$program" "$sim_program"; do
  [ -x "$f" ] || { echo "not built: $f" >&2; exit 1; }
done
for tool in Xvfb xdotool xwd xwdtopnm pnmtopng; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run bash tools/setup.sh" >&2; exit 1; }
done

work="$(mktemp -d)"
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# Simulator and program share a settings folder of their own: the simulator enters its line
# there as COM200 in the Ports table, and the user's own settings stay untouched.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"

"$sim_program" --com "$com" --fast --quiet >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  grep -q '^com ' "$work/sim.log" && break
  kill -0 "${pids[-1]}" 2>/dev/null || { cat "$work/sim.log" >&2; exit 1; }
  sleep 0.1
done
grep -q '^com ' "$work/sim.log" || { echo "simulator did not enter COM$com" >&2; exit 1; }
echo "simulated charger: $(grep '^device ' "$work/sim.log" | cut -d' ' -f2) as COM$com"

# A virtual screen on the first free display number, without a window manager.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; exit 1; }
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
echo "virtual screen $DISPLAY, $screen"

"$program" >"$work/korvane.log" 2>&1 &
pids+=($!)
korvane=${pids[-1]}

# Waits until a visible window of the program has the given title; prints its id.
wait_window() {
  local title="$1" id
  for _ in $(seq 150); do
    kill -0 "$korvane" 2>/dev/null || { cat "$work/korvane.log" >&2; exit 1; }
    id="$(xdotool search --onlyvisible --pid "$korvane" --name "^$title\$" 2>/dev/null | tail -n1 || true)"
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "no window \"$title\"" >&2
  return 1
}

# Sends keys to a window: focuses it first, as there is no window manager to do so.
keys() {
  local window="$1"
  shift
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers --delay 100 "$@"
}

shoot() {
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$1"
  echo "wrote ${1#"$root"/}"
}

main_window="$(wait_window 'Korvane 联机应用程序')"
sleep 1

# Ctrl+O opens the port dialog; the list holds the ports that can be opened, COM200 among them.
keys "$main_window" ctrl+o
dialog="$(wait_window '打开')"
sleep 0.5
# Tick COM200. The list shows the openable ports in ascending order and the simulator's COM200
# is the highest number in this Ports table, so it is the last row: a click into the list's
# empty lower part gives it the focus, End goes to the last row and Space ticks it.
xdotool mousemove --window "$dialog" 178 234 click 1
keys "$dialog" End space
sleep 0.3
keys "$dialog" Return
# The title names the port once it is open.
if ! main_window="$(wait_window "Korvane 联机应用程序 - COM$com")"; then
  shoot "${TMPDIR:-/tmp}/korvane-not-open.png"
  echo "COM$com did not open (screen: ${TMPDIR:-/tmp}/korvane-not-open.png)" >&2
  exit 1
fi
echo "COM$com open; receiving for $receive_seconds s"
sleep "$receive_seconds"

mkdir -p "$out"
page=0
for key in shift+F1 shift+F2 shift+F3 shift+F5; do
  keys "$main_window" "$key"
  sleep 1.5
  shoot "$out/screen-page-$page.png"
  page=$((page + 1))
done

#!/usr/bin/env bash
# Screenshots of the real program on a virtual X server, fed by the simulated charger at line
# rate: the port is opened through the port dialog as a person would (Ctrl+O, tick COM200, OK),
# the program receives for a while, then each chart page is shown with its key and the screen
# is taken into docs/screen-page-N.png (0 all lines, 1 voltage, 2 current, 3 capacity).
#
#   bash tools/screenshots.sh [BUILD_DIR]     (default: build; korvane and the simulator built)
#
# Environment: RECEIVE_SECONDS (default 60), SCREEN (default 1280x800).
# Needs xvfb, icewm, xdotool, xwd (x11-apps) and netpbm, all in tools/setup.sh.
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
for tool in Xvfb icewm xdotool xwd xwdtopnm pnmtopng; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run bash tools/setup.sh" >&2; exit 1; }
done

# shellcheck source=tools/xsession.sh
source "$root/tools/xsession.sh"
xsession_begin
xsession_sim --fast --quiet
echo "simulated charger: $(grep '^device ' "$work/sim.log" | cut -d' ' -f2) as COM$com"
xsession_screen "$screen"
# A window manager frames the window and keeps its task bar, as on a user's desktop.
xsession_wm
echo "virtual screen $DISPLAY, $screen, icewm"
xsession_program

shoot() {
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$1"
  echo "wrote ${1#"$root"/}"
}

main_window="$(wait_window 'Korvane 联机应用程序')"
sleep 1

open_sim_port "$main_window"
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

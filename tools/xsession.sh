# Shared by the scripts that run the real program on a virtual X server with the simulated
# charger: sourced, not run. The caller sets root, build, program, sim_program and com first.
#   xsession_begin            temporary folder $work, own settings folder, cleanup on exit
#   xsession_screen SIZE      Xvfb on a free display (no window manager); sets DISPLAY
#   xsession_wm               icewm on that display, with its task bar and notification area
#   xsession_sim ARGS...      the simulator entering its line as COM$com; sets sim
#   xsession_program          korvane in the background; sets korvane
#   wait_window TITLE [TRIES] prints the id of the program's visible window with that title
#                             (tries 0.1 s apart, default 150)
#   keys WINDOW KEYS...       focuses the window and types the keys
#   open_sim_port WINDOW      opens COM$com through the port dialog, as a person would

xsession_begin() {
  work="$(mktemp -d)"
  pids=()
  trap xsession_end EXIT
  # The simulator and the program share a settings folder of their own: the simulator enters
  # its line there in the Ports table, and the user's own settings and recordings stay untouched.
  export XDG_CONFIG_HOME="$work/config"
  export XDG_DATA_HOME="$work/data"
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
}

xsession_end() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -CONT "${pids[i]}" 2>/dev/null || true
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}

xsession_screen() {
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
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
}

xsession_wm() {
  # A home of its own: icewm's defaults (task bar, notification area) and the fonts below.
  mkdir -p "$work/home/.icewm"
  # Titles and the task bar in a CJK font, so that the window titles read in full.
  local font='WenQuanYi Micro Hei'
  printf '%s\n' "TitleFontNameXft=\"$font:bold:size=11\"" "NormalTaskBarFontNameXft=\"$font:size=10\"" \
    "ActiveTaskBarFontNameXft=\"$font:bold:size=10\"" "MenuFontNameXft=\"$font:size=10\"" \
    "ToolTipFontNameXft=\"$font:size=10\"" >"$work/home/.icewm/preferences"
  HOME="$work/home" icewm >"$work/icewm.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
      xprop -root _NET_WORKAREA 2>/dev/null | grep -q '=' && return 0
    sleep 0.1
  done
  cat "$work/icewm.log" >&2
  echo "icewm did not start" >&2
  exit 1
}

xsession_sim() {
  "$sim_program" --com "$com" "$@" >"$work/sim.log" 2>&1 &
  pids+=($!)
  sim=${pids[-1]}
  for _ in $(seq 100); do
    grep -q '^com ' "$work/sim.log" && break
    kill -0 "$sim" 2>/dev/null || { cat "$work/sim.log" >&2; exit 1; }
    sleep 0.1
  done
  grep -q '^com ' "$work/sim.log" || { echo "simulator did not enter COM$com" >&2; exit 1; }
}

xsession_program() {
  "$program" >"$work/korvane.log" 2>&1 &
  pids+=($!)
  korvane=${pids[-1]}
}

wait_window() {
  local title="$1" tries="${2:-150}" id
  for _ in $(seq "$tries"); do
    kill -0 "$korvane" 2>/dev/null || { cat "$work/korvane.log" >&2; exit 1; }
    # --all: the window must have both the program's pid and the title, not either.
    id="$(xdotool search --all --onlyvisible --pid "$korvane" --name "^$title\$" 2>/dev/null | tail -n1 || true)"
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "no window \"$title\"" >&2
  return 1
}

# There is no window manager to give the focus, so the window is focused first.
keys() {
  local window="$1"
  shift
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers --delay 100 "$@"
}

# Ctrl+O, tick COM$com, OK. The list shows the openable ports in ascending order and the
# simulator's number is the highest in this Ports table, so it is the last row: a click into
# the list's empty lower part gives it the focus, End goes to the last row and Space ticks it.
open_sim_port() {
  local dialog
  keys "$1" ctrl+o
  dialog="$(wait_window '打开')"
  sleep 0.5
  xdotool mousemove --window "$dialog" 178 234 click 1
  keys "$dialog" End space
  sleep 0.3
  keys "$dialog" Return
}

#!/usr/bin/env bash
# The real program on a virtual desktop with a window manager (icewm) and the simulated
# charger, driven through the X server as a person would:
#  - the framed window fills the work area from the first show;
#  - the desktop scripts' window wait matches pid and title together;
#  - the quit question, answered OK, ends the process and the recent ports are saved, whether
#    it came from the tray menu (window hidden in the tray), the close box or the File menu;
#  - a program killed while receiving offers its recording at the next start and restores it.
#   tst_desktop_program.sh KORVANE SIMULATOR
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
program="$1"
sim_program="$2"
com=200

# shellcheck source=tools/xsession.sh
source "$root/tools/xsession.sh"
xsession_begin
xsession_screen 1280x800
xsession_wm
xsession_sim --quiet

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

ini="$XDG_CONFIG_HOME/Korvane/Korvane.ini"

# x y width height of the window's frame: the client area less the frame the manager drew.
frame_of() {
  local id="$1" x y w h extents
  eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  extents="$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')"
  IFS=, read -r l r t b <<<"$extents"
  echo "$((X - l)) $((Y - t)) $((WIDTH + l + r)) $((HEIGHT + t + b))"
}

work_area() {
  xprop -root _NET_WORKAREA | sed -n 's/.*= *//p' | tr -d ' ' | cut -d, -f1-4 | tr , ' '
}

# Waits up to 10 s for the program's process to end.
ended() {
  for _ in $(seq 100); do
    kill -0 "$korvane" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

# Answers the question that comes up over the main window with OK: the default button is
# Cancel, so the focus goes back one button first.
answer_ok() {
  local main="$1" box=""
  # The question has the program's title, as the main window has while no port is open.
  for _ in $(seq 50); do
    box="$(xdotool search --all --onlyvisible --pid "$korvane" --name '^Korvane 联机应用程序$' 2>/dev/null |
      grep -vx "$main" | tail -n1 || true)"
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || return 1
  sleep 0.5
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key --clearmodifiers --delay 150 shift+Tab space
}

run_quit() {
  local how="$1" main tray
  rm -f "$ini.lock"
  xsession_program
  main="$(wait_window 'Korvane 联机应用程序')"
  sleep 1
  if [ "$how" = tray ]; then
    # Minimise to the tray, then 退出 from the tray icon's menu.
    xdotool windowminimize "$main"
    for _ in $(seq 50); do
      xdotool search --all --onlyvisible --pid "$korvane" --name '^Korvane 联机应用程序$' >/dev/null 2>&1 || break
      sleep 0.1
    done
    tray="$(xdotool search --all --onlyvisible --pid "$korvane" --name '.*' 2>/dev/null | head -n1 || true)"
    [ -n "$tray" ] || { fail "$how: no tray icon"; return; }
    sleep 0.5
    xdotool mousemove --window "$tray" 4 4 click 3
    sleep 0.7
    xdotool key --clearmodifiers --delay 150 Up Return
  elif [ "$how" = close-box ]; then
    xdotool windowfocus --sync "$main"
    xdotool key --clearmodifiers alt+F4
  else
    keys "$main" alt+f x
  fi
  answer_ok "$main" || { fail "$how: no quit question"; return; }
  ended || { fail "$how: the program still runs after the quit question"; kill "$korvane"; return; }
  grep -q '^0=200$' "$ini" 2>/dev/null || grep -q 'OpenedList\\0=200' "$ini" ||
    fail "$how: recent ports not saved ($(cat "$ini" 2>/dev/null | tr '\n' ' '))"
}

# --- fit, window wait, and a first port open that puts COM200 into the recent list --------
xsession_program
main="$(wait_window 'Korvane 联机应用程序')"
sleep 1
[ "$(frame_of "$main")" = "$(work_area)" ] ||
  fail "first show: frame $(frame_of "$main") is not the work area $(work_area)"
if wait_window "Korvane 联机应用程序 - COM$com" 20 >/dev/null 2>&1; then
  fail "a title the program does not show was found"
fi
open_sim_port "$main"
main="$(wait_window "Korvane 联机应用程序 - COM$com")" || fail "COM$com did not open"
xdotool windowmove "$main" 120 90
sleep 0.5
keys "$main" shift+F3
sleep 0.5
[ "$(frame_of "$main")" = "$(work_area)" ] || fail "page switch: frame $(frame_of "$main") not on the work area"
keys "$main" alt+f x
answer_ok "$main" || fail "no quit question"
ended || fail "the program still runs after the quit question"
grep -q 'OpenedList\\0=200' "$ini" || fail "COM$com not in the recent list: $(tr '\n' ' ' <"$ini")"

# --- killed while receiving: the recording is offered at the next start and restored ------
xsession_program
main="$(wait_window 'Korvane 联机应用程序')"
sleep 1
open_sim_port "$main"
main="$(wait_window "Korvane 联机应用程序 - COM$com")" || fail "COM$com did not open again"
# The frame-timing check takes four frames at a frame a second; then a few frames are committed.
sleep 10
kill -9 "$korvane"
wait "$korvane" 2>/dev/null || true
rm -f "$ini.lock"
xsession_program
wait_window 'Korvane 联机应用程序' >/dev/null
# The question and the main window both carry the program's title: the main window is the
# larger of the two.
main=""
for _ in $(seq 100); do
  ids="$(xdotool search --all --onlyvisible --pid "$korvane" --name '^Korvane 联机应用程序$' 2>/dev/null || true)"
  if [ "$(grep -c . <<<"$ids")" -ge 2 ]; then
    main="$(for id in $ids; do
      eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(WIDTH|HEIGHT)=')"
      echo "$((WIDTH * HEIGHT)) $id"
    done | sort -n | tail -n1 | cut -d' ' -f2)"
    break
  fi
  sleep 0.1
done
if [ -n "$main" ] && answer_ok "$main"; then
  if restored="$(wait_window 'Korvane 联机应用程序 - 记录 .*' 50)"; then
    keys "$restored" alt+f x
    answer_ok "$restored" || fail "restored: no quit question"
  else
    fail "the recording was not restored"
  fi
else
  fail "no restore question after the kill"
fi
ended || { fail "the program still runs after restoring"; kill "$korvane"; }

# MinToTray on, as the options dialog stores it.
sed -i 's/^\[Software\]$/[Software]\nKorvane\\MinToTray=1/' "$ini"
for how in tray close-box menu; do
  run_quit "$how"
done

if [ "$failures" -gt 0 ]; then
  echo "$failures failed" >&2
  exit 1
fi
echo "all desktop program checks passed"

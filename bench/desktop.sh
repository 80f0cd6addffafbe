#!/usr/bin/env bash
# Two figures of the real program on a virtual X server (xcb, as on a desktop):
#  - start-up: from the exec of korvane to the first flush of its painted main window to the
#    screen, taken from Qt's own painting log (qt.widgets.painting, "Flushing ... of
#    QMainWindow"); RUNS starts, each ended once it has painted;
#  - idle: CPU time and wake-ups (context switches) of each of its threads over IDLE_SECONDS,
#    first with no port open, then with the simulated charger's COM200 open through the port
#    dialog and the simulator stopped (SIGSTOP), so that the line is open and silent; last
#    with the simulator killed, so that the program waits for its adapter to come back.
#
#   bash bench/desktop.sh [BUILD_DIR]      (default: build)
#
# Environment: RUNS (default 10), IDLE_SECONDS (default 60).
# Needs xvfb and xdotool (tools/setup.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
runs="${RUNS:-10}"
idle_seconds="${IDLE_SECONDS:-60}"
com=200

program="$build/shell/korvane"
sim_program="$build/tools/sim/korvane-charger-sim"
for f in "$program" "$sim_program"; do
  [ -x "$f" ] || { echo "not built: $f" >&2; exit 1; }
done
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run bash tools/setup.sh" >&2; exit 1; }
done

# shellcheck source=tools/xsession.sh
source "$root/tools/xsession.sh"
xsession_begin
xsession_screen 1280x800

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

# --- start-up -------------------------------------------------------------------------------
times=()
for run in $(seq "$runs"); do
  log="$work/start-$run.log"
  (
    export QT_LOGGING_RULES="qt.widgets.painting=true"
    export QT_MESSAGE_PATTERN="%{time yyyy-MM-dd HH:mm:ss.zzz} %{message}"
    echo "$EPOCHREALTIME" >"$work/t0"
    exec "$program"
  ) 2>"$log" >/dev/null &
  pid=$!
  painted=""
  for _ in $(seq 1000); do
    painted="$(grep -m1 -E '^[0-9-]+ [0-9:.]+ Flushing .* of QMainWindow' "$log" || true)"
    [ -n "$painted" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -n "$painted" ] || { echo "run $run: no painted main window" >&2; tail -n 20 "$log" >&2; exit 1; }
  t1="$(date -d "$(cut -d' ' -f1-2 <<<"$painted")" +%s.%N)"
  ms="$(awk -v a="$(cat "$work/t0")" -v b="$t1" 'BEGIN { printf "%.0f", (b - a) * 1000 }')"
  times+=("$ms")
  echo "start-up run $run: $ms ms to the first painted main window"
done
mapfile -t sorted < <(printf '%s\n' "${times[@]}" | sort -n)
echo "start-up over $runs runs: min ${sorted[0]} ms, median ${sorted[$((runs / 2))]} ms, max ${sorted[-1]} ms"

# --- idle -----------------------------------------------------------------------------------
# Prints "ticks switches" of the process and then "name switches" of each thread.
sample() {
  local pid="$1" task
  awk '{ print $14 + $15 }' "/proc/$pid/stat"
  for task in /proc/"$pid"/task/*; do
    printf '%s %s\n' "$(tr ' ' '_' <"$task/comm")" \
      "$(awk '/ctxt_switches/ { n += $2 } END { print n }' "$task/status")"
  done
}

report_idle() {
  local what="$1" before="$2" after="$3" hz
  hz="$(getconf CLK_TCK)"
  awk -v hz="$hz" -v s="$idle_seconds" -v what="$what" '
    FNR == 1 { if (NR == 1) t0 = $1; else t1 = $1; next }
    NR == FNR { n0[$1] += $2; next }
    { n1[$1] += $2; threads[$1]++ }
    END {
      printf "idle, %s: %.0f ms CPU in %d s (%.3f %%)\n", what, (t1 - t0) * 1000 / hz, s, (t1 - t0) * 100 / hz / s
      for (name in n1)
        printf "  %d thread(s) %-16s %6.2f wake-ups/s\n", threads[name], name, (n1[name] - n0[name]) / s
    }' "$before" "$after"
}

xsession_sim --quiet
xsession_program

main_window="$(wait_window 'Korvane 联机应用程序')"
sleep 5
sample "$korvane" >"$work/idle-0a"
sleep "$idle_seconds"
sample "$korvane" >"$work/idle-0b"
report_idle "no port open" "$work/idle-0a" "$work/idle-0b"

open_sim_port "$main_window"
wait_window "Korvane 联机应用程序 - COM$com" >/dev/null
sleep 3
kill -STOP "$sim"
# Past the time-out that follows the last frame, the program waits for data that never comes.
sleep 15
sample "$korvane" >"$work/idle-1a"
sleep "$idle_seconds"
sample "$korvane" >"$work/idle-1b"
report_idle "COM$com open, no data" "$work/idle-1a" "$work/idle-1b"

# The adapter vanishes (the simulator ends at once, its pseudo-terminal goes): the program
# waits for it to come back, watching its folder.
kill -CONT "$sim"
kill -KILL "$sim"
wait_window 'Korvane 联机应用程序' >/dev/null
sleep 5
sample "$korvane" >"$work/idle-2a"
sleep "$idle_seconds"
sample "$korvane" >"$work/idle-2b"
report_idle "COM$com vanished, waiting for it to come back" "$work/idle-2a" "$work/idle-2b"

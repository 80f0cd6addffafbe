#!/usr/bin/env bash
# Sets up the machine, builds the program and starts it together with the simulated
# charger, which offers its line as COM200 (open it with 打开(&O)...).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)" --target korvane korvane-charger-sim

sim_log="$(mktemp)"
"$build/tools/sim/korvane-charger-sim" --com 200 --quiet >"$sim_log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -f "$sim_log"' EXIT
# The program resolves COM200 through the Ports table: wait until the simulator entered it.
for _ in $(seq 50); do
  grep -q '^com ' "$sim_log" && break
  kill -0 "$sim" 2>/dev/null || { cat "$sim_log" >&2; exit 1; }
  sleep 0.1
done
echo "simulated charger: $(grep '^device ' "$sim_log" | cut -d' ' -f2) as COM200"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: running under xvfb-run" >&2
  xvfb-run -a "$build/shell/korvane" "$@"
else
  "$build/shell/korvane" "$@"
fi

#!/usr/bin/env bash
# Sets up the machine, builds and runs every test through CTest.
#   bash tools/test.sh                      the whole suite, the desktop lane (Xvfb + icewm) included
#   bash tools/test.sh --sanitize address   the suite but the desktop lane under AddressSanitizer + UBSan
#   bash tools/test.sh --sanitize thread    the watchdog, link and recording tests under ThreadSanitizer
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
sanitize=""
if [ "${1:-}" = "--sanitize" ]; then
  sanitize="${2:?--sanitize needs address or thread}"
fi

bash "$root/tools/setup.sh"

build="$root/build"
labels=()
case "$sanitize" in
  "") ;;
  address)
    build="$root/build-asan"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export LSAN_OPTIONS="suppressions=$root/tools/sanitizers/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    # The desktop lane runs in the plain build; under the sanitizers the X libraries' own
    # allocations would read as leaks.
    labels=(-LE desktop)
    ;;
  thread)
    build="$root/build-tsan"
    labels=(-L "link|watchdog|recordings")
    # The simulator tests start it through QProcess, which forks a process with threads
    # that at once runs exec.
    export TSAN_OPTIONS="suppressions=$root/tools/sanitizers/tsan.supp:halt_on_error=1:second_deadlock_stack=1:die_after_fork=0"
    ;;
  *) echo "--sanitize takes address or thread" >&2; exit 2 ;;
esac

jobs="$(nproc)"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_WERROR=ON -DKORVANE_SANITIZE="$sanitize"
targets=()
if [ "$sanitize" = thread ]; then
  # Only what the chosen tests run: their executables (named as the tests) and the simulator.
  mapfile -t targets < <(ctest --test-dir "$build" -N "${labels[@]}" | sed -n 's/^ *Test *#[0-9]*: *//p')
  targets=(--target korvane-charger-sim "${targets[@]}")
fi
cmake --build "$build" -j "$jobs" "${targets[@]}"
ctest --test-dir "$build" --output-on-failure -j "$jobs" "${labels[@]}"

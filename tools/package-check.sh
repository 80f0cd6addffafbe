#!/usr/bin/env bash
# Builds the Debian package, installs it with apt as a user would, and checks the installed
# program: the desktop entry and the metainfo with their validators, the icons, `--version`,
# and the installed korvane started from another folder with --com on the simulated charger,
# receiving until its export holds the frames the simulator wrote. Removes the package again.
#   bash tools/package-check.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# A build folder given as the argument is packaged as it was configured (CI passes the test
# build, whose programs are built already); else a Release build of its own.
build="$(realpath -m "${1:-$root/build-package}")"

bash "$root/tools/setup.sh"
if [ $# -eq 0 ] || [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=OFF -DKORVANE_WERROR=ON \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
fi
# What the package holds, not the test suite.
cmake --build "$build" -j "$(nproc)" --target korvane korvane-charger-sim korvane-desktop-icons
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
rm -f "$build"/korvane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
echo "package built after $SECONDS s"
deb="$build/korvane_${version}_amd64.deb"
[ -f "$deb" ] || { echo "no package $deb: $(ls "$build"/*.deb 2>/dev/null)" >&2; exit 1; }

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libqt6serialport6 libturbojpeg0 libpng16-16 libqcustomplot; do
  grep -q "$library" <<<"$depends" || fail "the package does not depend on $library: $depends"
done

export DEBIAN_FRONTEND=noninteractive
# A fresh install, not one left from an earlier run of the same version.
if dpkg-query -W -f='${Status}' korvane 2>/dev/null | grep -q 'install ok installed'; then
  apt-get remove -y -qq korvane >/dev/null
fi
apt-get install -y -qq "$deb" >/dev/null

# shellcheck source=tools/xsession.sh
source "$root/tools/xsession.sh"
xsession_begin
trap 'xsession_end; apt-get remove -y -qq korvane >/dev/null 2>&1 || true' EXIT

id=example.korvane.Korvane
[ "$(command -v korvane)" = /usr/bin/korvane ] || fail "korvane is not /usr/bin/korvane"
[ "$(command -v korvane-charger-sim)" = /usr/bin/korvane-charger-sim ] || fail "no /usr/bin/korvane-charger-sim"
desktop-file-validate "/usr/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "/usr/share/metainfo/$id.metainfo.xml" || fail "metainfo"
grep -q '<svg' "/usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "no scalable icon"
for size in 48 256; do
  file -b "/usr/share/icons/hicolor/${size}x$size/apps/$id.png" | grep -q "PNG image data, $size x $size" ||
    fail "no $size px icon"
done
# The libraries come from the system's folders, nothing from a path of the build.
for program in /usr/bin/korvane /usr/bin/korvane-charger-sim; do
  if readelf -d "$program" | grep -qE 'R(UN)?PATH'; then
    fail "$program carries a library path: $(readelf -d "$program" | grep -E 'R(UN)?PATH')"
  fi
done

# The about box's version line, on a terminal without a display, from another folder.
IFS=. read -r major minor release build_number <<<"$version"
expected="Korvane $major.$minor.${release:-0} (Build ${build_number:-0})"
cd "$work"
answer="$(env -u DISPLAY -u WAYLAND_DISPLAY korvane --version)"
[ "$answer" = "$expected" ] || fail "korvane --version printed '$answer', not '$expected'"
answer="$(korvane-charger-sim --version)"
[ "$answer" = "korvane-charger-sim ${expected#Korvane }" ] || fail "korvane-charger-sim --version printed '$answer'"
if korvane --com 0 >/dev/null 2>"$work/usage.txt"; then
  fail "korvane --com 0 was accepted"
fi
grep -q -- '--com <N>' "$work/usage.txt" || fail "korvane --com 0 did not show the usage"

# The installed program on a virtual screen, started from another folder with --com on the
# simulator. The simulator and the program share the settings folder of the session.
mkdir -p "$work/elsewhere"
com=200
sim_program=korvane-charger-sim
xsession_sim --fast
xsession_screen 1280x800

(cd "$work/elsewhere" && exec korvane --com "$com") >"$work/korvane.log" 2>&1 &
pids+=($!)
korvane=$!

csv="$work/elsewhere/received.csv"
if main="$(wait_window "Korvane 联机应用程序 - COM$com")"; then
  # Receiving until the simulator, at line rate after the first headers, wrote 100 frames;
  # then the data as the user exports it: Ctrl+E, the file's name, Enter. Without a window
  # manager the windows are focused by hand.
  for _ in $(seq 300); do
    [ "$(grep -c '^frame ' "$work/sim.log")" -ge 100 ] && break
    sleep 0.1
  done
  xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+e
  if dialog="$(wait_window '导出数据')"; then
    sleep 0.5
    xdotool windowfocus --sync "$dialog" type --delay 20 "$csv"
    xdotool windowfocus --sync "$dialog" key --clearmodifiers Return
    for _ in $(seq 100); do
      [ -s "$csv" ] && break
      sleep 0.1
    done
  fi
else
  fail "the title does not name COM$com"
fi

if [ ! -s "$csv" ]; then
  fail "no export written"
else
  # Each exported line carries a frame the simulator wrote: its channel, mA and mAh (voltage
  # and time read 0 on a channel that is done).
  head -n1 "$csv" | grep -q '^Idx,#,V,mA,C,min,mAh' || fail "export header: $(head -n1 "$csv")"
  sed -n 's/^frame [0-9]* channel \([0-9]*\) [0-9]* mV \([0-9]*\) mA [0-9]* min \([0-9]*\) mAh$/\1 \2 \3/p' \
    "$work/sim.log" | sort -u >"$work/sent.txt"
  tail -n +2 "$csv" | tr -d '\r' | awk -F, '{ print $2 - 1, $4, $7 }' | sort -u >"$work/received.txt"
  lines="$(($(wc -l <"$csv") - 1))"
  [ "$lines" -ge 50 ] || fail "only $lines lines exported of $(grep -c '^frame ' "$work/sim.log") frames sent"
  unknown="$(comm -13 "$work/sent.txt" "$work/received.txt" | head -n3)"
  [ -z "$unknown" ] || fail "exported lines the simulator did not send: $unknown"
  echo "received: $lines lines exported from $(grep -c '^frame ' "$work/sim.log") frames sent"
fi

if [ "$failures" -gt 0 ]; then
  echo "--- korvane.log" >&2
  cat "$work/korvane.log" >&2
  echo "$failures package checks failed" >&2
  exit 1
fi
echo "all package checks passed: $(basename "$deb")"

#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Safe to run again; works as root or through sudo.
set -euo pipefail

packages=(
  g++ cmake make pkg-config clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev qt6-image-formats-plugins
  libqcustomplot-dev
  libturbojpeg0-dev libpng-dev libsqlite3-dev
  libbenchmark-dev
  fonts-wqy-microhei
  qt6-translations-l10n
  xvfb xauth icewm
  xdotool x11-apps x11-utils netpbm
  desktop-file-utils appstream dpkg-dev file
  dbus-daemon
)

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

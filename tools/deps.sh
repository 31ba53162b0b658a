#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the player,
# skipping what is already there.
set -euo pipefail
packages=(
  build-essential cmake pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libqt6svg6-dev libqt6sql6-sqlite
  libgl-dev libtag1-dev libmpv-dev libmpv2 fonts-inter qt6-translations-l10n
  libgl1-mesa-dri libglx-mesa0 libegl-mesa0
  qt6-image-formats-plugins
)
if [ "${1:-}" = "--test" ]; then
  packages+=(ffmpeg xvfb xauth dbus dbus-x11 playerctl openbox mpv time xdotool trayer valgrind scrot libglib2.0-bin
    desktop-file-utils appstream xdg-utils shared-mime-info dpkg-dev file x11-utils wmctrl
    clang libclang-rt-14-dev openssl)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

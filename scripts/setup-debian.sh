#!/usr/bin/env bash
# Installs what building, running and testing Vantrel need on Debian 12.
# libssl3 and ca-certificates let the online-video window read https pages,
# yt-dlp reads the pages of today's sites;
# desktop-file-utils, appstream and dpkg-dev check and build the package;
# dbus-daemon gives the tests a session bus of their own.
# Only packages that are missing are installed; sudo is used when not root.
set -euo pipefail

packages=(
  cmake g++ make pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl1-mesa-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg mplayer yt-dlp xvfb xauth x11-utils xdotool parallel dbus-daemon
  fonts-dejavu-core libssl3 ca-certificates
  desktop-file-utils appstream dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

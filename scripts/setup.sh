#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building, running and testing Vellmark needs on Debian 12.
# Safe to run again: it installs only what is missing.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-private-dev qt6-multimedia-dev libgl1-mesa-dev
    qt6-httpserver-dev qt6-websockets-dev liblo-dev liblo-tools
    qt6-qpa-plugins
    gstreamer1.0-plugins-good gstreamer1.0-plugins-base gstreamer1.0-pulseaudio
    pulseaudio pulseaudio-utils
    openssl ca-certificates fonts-dejavu-core fonts-symbola
    xvfb x11vnc xauth imagemagick
    xserver-xorg-core xserver-xorg-video-dummy openbox x11-xserver-utils x11-utils xdotool
    desktop-file-utils appstream dpkg-dev file
    lintian devscripts man-db
    clang libclang-rt-14-dev
    tzdata
    libqrencode-dev libfontconfig-dev
    chromium nodejs
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

# The view page's browser tests run under Node.js with packages from npm. A
# Node.js from elsewhere (NodeSource) brings its own npm; Debian's comes apart.
if ! command -v npm >/dev/null; then
    missing+=(npm)
fi

if ((${#missing[@]})); then
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

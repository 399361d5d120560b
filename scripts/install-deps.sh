#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and benchmarking
# Tavlo need. Only missing packages are installed; nothing happens when all
# of them are present. Run as root (or with sudo available).
set -euo pipefail

packages=(
    # compiler, build system, Qt 6 and the picture libraries
    build-essential cmake pkg-config
    qt6-base-dev libqt6opengl6-dev qt6-tools-dev qt6-svg-dev
    libxcb1-dev libjpeg-dev
    # the sound server's client library, which plays the game's sounds
    libpulse-dev
    # the asset generator: SVG rasterising, colour quantising, GIF writing
    librsvg2-dev libcairo2-dev libimagequant-dev libgif-dev
    # the fonts that stand in for the game's font names
    fonts-liberation2
    # end-to-end tests and screenshots under a virtual X server
    xvfb xauth xdotool x11-utils openbox imagemagick desktop-file-utils
    # real sound checks
    pulseaudio pulseaudio-utils sox
    # fuzzing and sanitizer builds
    clang libclang-rt-14-dev
    # Wayland sessions: a compositor with its X server, and Qt's Wayland plugin
    weston xwayland qt6-wayland
    # screen-reader checks: a session bus, the accessibility bus and its reader
    dbus dbus-x11 at-spi2-core python3-pyatspi
    orca speech-dispatcher speech-dispatcher-audio-plugins
    # the Debian package and its checks
    dpkg-dev fakeroot lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

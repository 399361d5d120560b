#!/usr/bin/env bash
# Installs the Debian 12 packages that Tavlo needs, by group:
#
#   scripts/install-deps.sh [build|test|bench|fuzz|package]...
#
# "build" (the default) is what building and running the game need; every
# other group adds to it. `make run` and `make build` ask for build, `make
# test` for test, `make bench`, `make fuzz` and `make package` for theirs.
# Only missing packages are installed; nothing happens when all of them are
# present. Run as root (or with sudo available).
set -euo pipefail

# compiler, build system, Qt 6 (the tests' Qt Test comes with qt6-base-dev),
# the X connection the game and its tests' probes use, and the JPEG library
build=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-svg-dev
    libxcb1-dev libjpeg-dev
    # the sound server's client library, which plays the game's sounds
    libpulse-dev
    # the asset generator: SVG rasterising, colour quantising, GIF writing
    librsvg2-dev libcairo2-dev libimagequant-dev libgif-dev
    # the fonts that stand in for the game's font names
    fonts-liberation2
)

# the GIF fuzzer: clang with its sanitizer and libFuzzer runtimes
fuzz=(clang libclang-rt-14-dev)

# cpack's dependency scan (dpkg-shlibdeps, file) and lintian
package=(dpkg-dev file fakeroot lintian)

# the whole suite, which also runs the fuzzer's smoke test and builds and
# installs the package (the sanitizer build needs nothing more: GCC brings
# its own sanitizer runtimes)
test=(
    "${fuzz[@]}" "${package[@]}"
    # end-to-end tests and screenshots under a virtual X server; the menu
    # entry's and the metainfo's validators
    xvfb xauth xdotool x11-utils openbox imagemagick desktop-file-utils appstream
    # real sound checks
    pulseaudio pulseaudio-utils sox
    # Wayland sessions: a compositor with its X server, and Qt's Wayland plugin
    weston xwayland qt6-wayland
    # screen-reader checks: a session bus, the accessibility bus and its reader
    dbus dbus-x11 at-spi2-core python3-pyatspi
    orca speech-dispatcher speech-dispatcher-audio-plugins
)

# the benchmarks' private X server, window manager and pointer
bench=(xvfb openbox xdotool)

[ $# -gt 0 ] || set -- build
packages=("${build[@]}")
for group in "$@"; do
    case $group in
        build) ;;
        test) packages+=("${test[@]}") ;;
        bench) packages+=("${bench[@]}") ;;
        fuzz) packages+=("${fuzz[@]}") ;;
        package) packages+=("${package[@]}") ;;
        *) echo "install-deps: unknown group '$group' (build, test, bench, fuzz, package)" >&2; exit 2 ;;
    esac
done

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

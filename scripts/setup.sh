#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing KODA Monitor needs.
# Nothing is assumed to be present: the list is what a minimal Debian 12 root lacks.
set -euo pipefail
packages=(
    # build
    build-essential cmake ninja-build pkg-config
    # Qt 6 Widgets and Charts; Qt Charts' CMake package needs the OpenGL one, which
    # qt6-charts-dev only recommends
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev
    qt6-qpa-plugins
    # the pit board's alert sounds
    qt6-multimedia-dev
    # Qt's own dialog and button texts in Japanese, the Japanese font
    qt6-translations-l10n fonts-noto-cjk
    # a display for the program without a desktop, and a window manager for the tests
    # that need one (stacking, frames, positions)
    xvfb xauth openbox x11-utils xdotool
    # sanitizer and fuzzer builds
    clang libclang-rt-14-dev
    # the mail hand-off
    xdg-utils
    # the logbook's database (Qt SQL's SQLite driver)
    libqt6sql6-sqlite
    # the Debian package: dependencies from the binaries, checks
    dpkg-dev file lintian appstream man-db
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

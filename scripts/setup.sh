#!/usr/bin/env bash
# Installs what building and testing Vireo needs (Debian packages) and configures and builds the
# project in build/. Sourced by run.sh and test.sh; safe to run again: it installs only what is
# missing and rebuilds only what changed.
set -euo pipefail

VIREO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VIREO_BUILD="${VIREO_BUILD:-$VIREO_ROOT/build}"

VIREO_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev nlohmann-json3-dev libcli11-dev libgtest-dev
    xvfb xauth x11-apps
    # Screenshots of the real window (tests, scripts/screenshot.sh) and the package checks.
    imagemagick xdotool desktop-file-utils dpkg-dev
    # Manual pages, the window's SVG icon, and the Debian package's checks (scripts/check-package.sh).
    help2man libqt6svg6 lintian appstream man-db
    # Turning a video into frames (the README's commands, run by tests/recording), and the
    # libraries that read videos, pictures and live inputs (cameras: libavdevice) in-process.
    ffmpeg libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libavutil-dev
    libavdevice-dev
)

vireo_install_packages() {
    local missing=()
    for package in "${VIREO_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "vireo: missing packages; run: sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "vireo: installing ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# vireo_build DIR [cmake options...]: configure (once) and build the project in DIR.
vireo_build() {
    local dir="$1"
    shift
    cmake -S "$VIREO_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIREO_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Idempotent: when everything is there it only asks dpkg and returns.
# With --tests it also installs what only the test suite uses.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-serialport-dev libgl-dev
    libmpg123-dev libopenmpt-dev libsdl2-dev libmp3lame-dev
    libbenchmark-dev xvfb xauth gcovr
    clang libclang-rt-14-dev
    qt6-multimedia-dev gstreamer1.0-plugins-good gstreamer1.0-libav
    ffmpeg fp-utils libchm-dev dpkg-dev fonts-noto-cjk desktop-file-utils
    # CPack's shared-library scan for the package's dependencies
    file
)
if [ "${1:-}" = "--tests" ]; then
    # The status page is checked in a real browser and attacked with a slow-request tool; its
    # metrics and alert rules are checked with a real Prometheus and Alertmanager.
    PACKAGES+=(chromium slowhttptest prometheus prometheus-alertmanager)
fi

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

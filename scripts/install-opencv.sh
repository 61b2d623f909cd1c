#!/usr/bin/env bash
# Installs OpenCV (Debian's libopencv-dev, OpenCV 4.6 on Debian 12) so that the optional side-by-side
# benchmark vireo-bench-opencv and the OpenCV twin of vireo-cli can be built. Vireo itself never
# needs OpenCV; neither do its tests or CI. Safe to run again.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

vireo_install_packages libopencv-dev

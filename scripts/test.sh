#!/usr/bin/env bash
# Sets up and builds Vireo with its tests, then runs every test.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

vireo_install_packages
vireo_build "$VIREO_BUILD" -DVIREO_BUILD_TESTS=ON

ctest --test-dir "$VIREO_BUILD" --output-on-failure -j "$(nproc)"

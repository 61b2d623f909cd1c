#!/usr/bin/env bash
# Sets up and builds Vireo, then runs it on the bundled frames in samples/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

vireo_install_packages
vireo_build "$VIREO_BUILD" -DVIREO_BUILD_TESTS=OFF

"$VIREO_BUILD/src/app/cli/vireo-cli" --dir "$VIREO_ROOT/samples" "$@"

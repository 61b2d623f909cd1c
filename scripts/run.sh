#!/usr/bin/env bash
# Sets up and builds Vireo, then opens the window on the bundled frames in samples/. Without a
# display it runs vireo-cli over the same frames instead. Arguments go to the program run.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

vireo_install_packages
vireo_build "$VIREO_BUILD" -DVIREO_BUILD_TESTS=OFF

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$VIREO_BUILD/src/app/window/vireo" "$VIREO_ROOT/samples" "$@"
fi
echo "vireo: no display found; running vireo-cli over the bundled frames instead" >&2
exec "$VIREO_BUILD/src/app/cli/vireo-cli" --dir "$VIREO_ROOT/samples" "$@"

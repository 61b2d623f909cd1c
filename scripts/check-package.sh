#!/usr/bin/env bash
# Builds the Debian package from the tree and checks it as a Debian packager would: lintian with no
# error and no warning, the desktop entry and the AppStream metainfo through their validators, and
# no maintainer scripts. As root it then installs the package with apt, runs both programs from it,
# looks up a manual page, removes the package and checks that nothing of it is left.
#
#   scripts/check-package.sh    (build folder: build-package/, or $VIREO_PACKAGE_BUILD)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

build="${VIREO_PACKAGE_BUILD:-$VIREO_ROOT/build-package}"
fail() {
    echo "check-package: $*" >&2
    exit 1
}

vireo_install_packages
# A fresh configuration, so that no cached setting of an earlier build (such as the maintainer)
# ends up in the package.
rm -rf "$build"
vireo_build "$build" -DVIREO_BUILD_TESTS=OFF
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/vireo_*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one package in $build, found ${debs[*]}"
deb="${debs[0]}"
echo "check-package: $deb" >&2

# Informational tags are listed but do not fail the check.
lintian --fail-on error,warning --display-info "$deb"

control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')
[ "$control" = "control md5sums " ] || fail "unexpected control files: $control"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
desktop-file-validate "$tree"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml

if [ "$(id -u)" -ne 0 ]; then
    echo "check-package: not root; skipping the installation with apt" >&2
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
vireo-cli --dir /usr/share/vireo/samples >/dev/null
# A video is read through the media module, which the programs load from lib/vireo.
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=320x240:rate=10 -frames:v 3 "$tree/clip.mp4"
[ "$(vireo-cli -i "$tree/clip.mp4" | wc -l)" -eq 4 ] || fail "the installed vireo-cli reads no video"
QT_QPA_PLATFORM=offscreen vireo --version
# The window as the desktop entry starts it, on the offscreen platform: it must still be open, with
# no start-up error said, when it is closed after a few seconds.
status=0
errors=$(QT_QPA_PLATFORM=offscreen timeout 5 vireo --samples-by-default 2>&1 >/dev/null) || status=$?
[ "$status" -eq 124 ] || fail "the installed window ended by itself with status $status: $errors"
! grep -q '^vireo:' <<<"$errors" || fail "the installed window could not start: $errors"
man -w vireo-cli >/dev/null || fail "man vireo-cli finds no page"
man -w vireo >/dev/null || fail "man vireo finds no page"

apt-get remove -y -qq vireo >/dev/null
if dpkg -l vireo 2>/dev/null | grep -q '^[a-z][a-z]'; then
    fail "after apt-get remove vireo, dpkg still lists it: $(dpkg -l vireo | tail -1)"
fi
echo "check-package: the package installs, runs and removes cleanly" >&2

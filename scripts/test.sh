#!/usr/bin/env bash
# Sets up and builds Vireo with its tests, then runs every test: first an ordinary build in
# build/, then a second build in build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer
# (leaks included), where any sanitizer report, also one from a child process, fails the run.
#
#   scripts/test.sh          both passes and the package check (what CI runs)
#   scripts/test.sh --fast   the ordinary pass only, for quick local runs
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

fast=false
for argument in "$@"; do
    case "$argument" in
    --fast) fast=true ;;
    *)
        echo "usage: scripts/test.sh [--fast]" >&2
        exit 2
        ;;
    esac
done

vireo_install_packages
vireo_build "$VIREO_BUILD" -DVIREO_BUILD_TESTS=ON

ctest --test-dir "$VIREO_BUILD" --output-on-failure -j "$(nproc)"

if $fast; then
    exit 0
fi

# The Debian package, built from the tree and checked as a Debian packager would; as root it is
# also installed, run and removed.
"$VIREO_ROOT/scripts/check-package.sh"

# Sanitizer pass. Reports go to files as well as failing the program, so that one from a process
# whose exit status a test expects to be non-zero (vireo-cli refusing a frame) is not lost.
asan_build="${VIREO_ASAN_BUILD:-$VIREO_ROOT/build-asan}"
reports="$asan_build/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
common="log_path=$reports/report:print_stacktrace=1"
export ASAN_OPTIONS="$common:detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="$common:halt_on_error=1"
# Leaks inside system libraries that our code cannot free; none of our own code is suppressed.
export LSAN_OPTIONS="$common:suppressions=$VIREO_ROOT/tests/lsan.supp:print_suppressions=0"

echo "vireo: sanitizer pass in $asan_build" >&2
status=0
vireo_build "$asan_build" -DVIREO_BUILD_TESTS=ON -DVIREO_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo || status=$?
if [ "$status" -eq 0 ]; then
    ctest --test-dir "$asan_build" --output-on-failure -j "$(nproc)" || status=$?
fi
# show_reports DIR: prints the sanitizer reports left in DIR; false when there were any.
show_reports() {
    compgen -G "$1/report.*" >/dev/null || return 0
    echo "vireo: sanitizer reports:" >&2
    for report in "$1"/report.*; do
        echo "---- $report" >&2
        cat "$report" >&2
    done
    return 1
}
show_reports "$reports" || status=1

# ThreadSanitizer pass: only the tests labelled threads (the sweep, the recording overview, which
# sweeps on a thread of its own, the live inputs and the live window, which read them on threads
# of their own, and recordings opened on a thread of their own) are built and run.
# Its comparison of every threshold against the operator's steps runs on one thread and takes
# minutes under the sanitizer, so it is left to the passes above.
tsan_build="${VIREO_TSAN_BUILD:-$VIREO_ROOT/build-tsan}"
tsan_reports="$tsan_build/sanitizer-reports"
rm -rf "$tsan_reports"
mkdir -p "$tsan_reports"
echo "vireo: thread sanitizer pass in $tsan_build" >&2
tsan_status=0
cmake -S "$VIREO_ROOT" -B "$tsan_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVIREO_WERROR=ON -DVIREO_BUILD_TESTS=ON -DVIREO_TSAN=ON >/dev/null || tsan_status=$?
if [ "$tsan_status" -eq 0 ]; then
    cmake --build "$tsan_build" -j "$(nproc)" --target vireo_sweep_tests vireo_recording_tests \
        vireo_live_tests vireo_opener_tests vireo_window_live_tests ||
        tsan_status=$?
fi
if [ "$tsan_status" -eq 0 ]; then
    TSAN_OPTIONS="log_path=$tsan_reports/report:halt_on_error=1:second_deadlock_stack=1:suppressions=$VIREO_ROOT/tests/tsan.supp" \
        ctest --test-dir "$tsan_build" --output-on-failure -j "$(nproc)" -L '^threads$' \
        -E 'EqualsTrackerAtEveryThreshold' || tsan_status=$?
fi
show_reports "$tsan_reports" || tsan_status=1
[ "$tsan_status" -eq 0 ] || status=1
exit "$status"

#!/usr/bin/env bash
# For work on one part: builds the given targets of the test build in a build
# folder of its own and runs the matching tests under Wine on a display of
# their own, so that several people can work in one tree at once.
#   tools/dev-test.sh BUILD_NAME "TARGET..." [CTEST ARGS...]
#   e.g. tools/dev-test.sh build-device "capturedevice test_capturedevice" -R capturedevice
# TEST_AREAS="framework;tunerprops" (say) builds only those folders of tests/;
# ARCH=x86_64 picks the 64-bit build where 32-bit Wine runs too (the shipped
# i686 build is the default wherever it runs).
set -euo pipefail
name=$1 targets=$2
shift 2
source "$(dirname "$0")/env.sh"
use_arch "${ARCH:-$TEST_ARCH}"
BUILD_ROOT=$ROOT/$name
dir=$BUILD_ROOT/$TEST_ARCH
configure_arch "$dir" "$TEST_ARCH" ${TEST_AREAS:+-DTEST_AREAS="$TEST_AREAS"}
# shellcheck disable=SC2086
cmake --build "$dir" -j 2 --target $targets
trap stop_wine EXIT
FORCE_XVFB=1 start_wine
keep_desktop_open
cd "$dir"
ctest --output-on-failure --timeout 600 "$@"

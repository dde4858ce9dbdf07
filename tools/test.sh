#!/usr/bin/env bash
# Installs what is missing, builds the shipped 32-bit binaries and the test
# build, and runs every test through CTest under Wine on a display of its own.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"

if [ "$TEST_ARCH" = i686 ]; then
    build_arch i686
else
    build_arch i686 -DBUILD_TESTING=OFF
    echo "test: this kernel cannot run 32-bit code; the tests run on the x86_64 build"
    build_arch x86_64 -DSHIPPED_BIN_DIR="$BUILD_ROOT/i686/bin" \
        -DSHIPPED_PACKAGE_DIR="$BUILD_ROOT/i686/packages"
fi

trap stop_wine EXIT
start_wine
keep_desktop_open
cd "$BUILD_ROOT/$TEST_ARCH"
ctest --output-on-failure --timeout 600 "$@"

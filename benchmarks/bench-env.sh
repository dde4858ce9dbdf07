# Sourced by the benchmark scripts: the build they measure, in a build folder
# of their own (BUILD_ROOT, default build-bench): the shipped i686 build where
# 32-bit Wine runs, else the x86_64 build; ARCH=x86_64 picks the 64-bit one.
source "$(dirname "${BASH_SOURCE[0]}")/../tools/env.sh"
use_arch "${ARCH:-$TEST_ARCH}"
BUILD_ROOT=${BUILD_ROOT:-$ROOT/build-bench}
dir=$BUILD_ROOT/$TEST_ARCH
configure_arch "$dir" "$TEST_ARCH"
files=${BENCH_DIR:-$BUILD_ROOT/bench-files}
mkdir -p "$files"
winfiles="Z:$(echo "$files" | sed 's|/|\\|g')"

# The first line of every benchmark's figures: which build they are of.
say_build() {
    case $TEST_ARCH in
    i686) echo "build=i686 (the shipped 32-bit build, under 32-bit $("$WINE" --version))" ;;
    *) echo "build=$TEST_ARCH (under 64-bit $("$WINE" --version)$([ "$RUN_ARCHES" = x86_64 ] &&
        echo '; this kernel cannot run the shipped 32-bit build'))" ;;
    esac
}

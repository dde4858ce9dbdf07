#!/usr/bin/env bash
# A long run of the seeded monkey on the program and the software capture
# device (normal and fault-injecting), in a build folder of its own, on a
# display of its own. Prints the log: each run's seed and fault mode, each
# action, the program's memory, and a summary of crashes, hangs and dialogs
# opened during captures.
#   tools/monkey.sh SECONDS [SEED [ACTIONS_PER_RUN]]
# (the seed defaults to the time; runs are 10 to 49 actions unless told)
set -euo pipefail
seconds=${1:?usage: tools/monkey.sh SECONDS [SEED]}
seed=${2:-$(date +%s)} actions=${3:-0}
BUILD_ROOT=${BUILD_ROOT:-$(cd "$(dirname "$0")/.." && pwd)/build-monkey}
source "$(dirname "$0")/env.sh"
# The shipped i686 build where 32-bit Wine runs; ARCH=x86_64 picks the other.
use_arch "${ARCH:-$TEST_ARCH}"
echo "monkey: the $TEST_ARCH build"
dir=$BUILD_ROOT/$TEST_ARCH
[ -f "$dir/build.ninja" ] || configure_arch "$dir" "$TEST_ARCH" -DTEST_AREAS=system
cmake --build "$dir" -j 2 --target capture_monkey
trap stop_wine EXIT
FORCE_XVFB=1 start_wine
keep_desktop_open
sh "$ROOT/tests/system/run_monkey.sh" "$WINE" "$dir/bin" "$seconds" "$seed" "$dir/monkey" "$actions"

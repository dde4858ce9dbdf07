#!/usr/bin/env bash
# Installs what is missing, builds the shipped i686 binaries and the x86_64
# ones, each with its tests, and runs every test through CTest under Wine on
# a display of its own: on both builds where the kernel runs 32-bit code, on
# the x86_64 build alone where it cannot. CTest arguments pass through.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"

# The i686 tests are built in every run, so that a calling-convention fault,
# which only the 32-bit build can show, fails the build even where they
# cannot run.
build_arch i686 -DBUILD_TESTING=ON
# The x86_64 build also installs and checks the shipped 32-bit package where
# that package's own build cannot run; elsewhere each package is installed by
# its own build's tests.
shipped_packages=
[ "$RUN_ARCHES" = x86_64 ] && shipped_packages=$BUILD_ROOT/i686/packages
build_arch x86_64 -DBUILD_TESTING=ON -DSHIPPED_BIN_DIR="$BUILD_ROOT/i686/bin" \
    -DSHIPPED_PACKAGE_DIR="$shipped_packages"

trap stop_wine EXIT
passed=0 failed=0 summary=()
for arch in $RUN_ARCHES; do
    use_arch "$arch"
    echo "test: the $arch build under $("$WINE" --version) ($WINEARCH)"
    start_wine
    keep_desktop_open
    log=$BUILD_ROOT/$arch/ctest.log
    status=0
    (cd "$BUILD_ROOT/$arch" && ctest --output-on-failure --timeout 600 "$@") 2>&1 |
        tee "$log" || status=$?
    stop_wine
    # "100% tests passed, 0 tests failed out of 17"
    read -r total bad < <(sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' "$log" | tail -1) ||
        { total=0 bad=0; status=1; }
    passed=$((passed + total - bad)) failed=$((failed + bad))
    summary+=("$arch: $((total - bad)) of $total passed")
    [ "$status" = 0 ] || [ "$bad" != 0 ] || failed=$((failed + 1))
done

echo
if [ "$RUN_ARCHES" = x86_64 ]; then
    echo "test: 32-bit Wine does not run here: the tests ran on the x86_64 build only; the shipped i686 build was compiled with its tests and checked, not run"
else
    echo "test: the tests ran on the shipped i686 build under 32-bit Wine and on the x86_64 build under 64-bit Wine"
fi
printf 'test: %s\n' "${summary[@]}"
echo "tests: $passed passed, $failed failed"
[ "$failed" = 0 ]

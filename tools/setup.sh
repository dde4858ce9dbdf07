#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, as root.
# Idempotent: packages already present are left alone and apt is not asked.
set -euo pipefail

packages=(
    cmake make ninja-build
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    googletest
    wine wine64
    xvfb xauth x11-utils xdotool
    ffmpeg imagemagick
    msitools wixl zip libxml2-utils
    fonts-wine
)
# 32-bit Wine runs the tests on the shipped binaries where the kernel executes
# 32-bit code; elsewhere the tests run on the 64-bit build, so a mirror whose
# i386 indexes are out of step does not stop the set-up.
optional=(wine32:i386)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
fi

absent() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}
mapfile -t missing < <(absent "${packages[@]}")
mapfile -t missing_optional < <(absent "${optional[@]}")

# The optional packages are tried when apt has work to do anyway, so that
# later runs do not ask the mirror again.
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
    echo "setup: installing ${missing[*]:-} ${missing_optional[*]:-}"
    export DEBIAN_FRONTEND=noninteractive
    # A mirror in the middle of a sync fails an index now and then: try
    # again, then go on with what was fetched.
    for attempt in 1 2 3; do
        apt-get update -qq && break
        echo "setup: apt-get update failed (attempt $attempt)"
        sleep 10
    done
    if [ ${#missing[@]} -gt 0 ]; then
        for attempt in 1 2 3; do
            apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null && break
            [ $attempt = 3 ] && { echo "setup: could not install ${missing[*]}"; exit 1; }
            echo "setup: apt-get install failed (attempt $attempt), trying again"
            sleep 20
            apt-get update -qq || true
        done
    fi
    if [ ${#missing_optional[@]} -gt 0 ] &&
        ! apt-get install -y -qq --no-install-recommends "${missing_optional[@]}" >/dev/null; then
        echo "setup: ${missing_optional[*]} could not be installed; the tests will run on the 64-bit build"
    fi
fi

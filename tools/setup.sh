#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, as root.
# Idempotent: packages already present are left alone and apt is not asked.
set -euo pipefail

packages=(
    cmake make ninja-build
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    googletest
    wine wine32:i386 wine64
    xvfb xauth x11-utils xdotool
    ffmpeg imagemagick
    msitools wixl zip
    fonts-wine
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
    echo "setup: installing ${missing[*]:-(none)}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    if [ ${#missing[@]} -gt 0 ]; then
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
fi

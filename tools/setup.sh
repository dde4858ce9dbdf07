#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, as root.
# Idempotent: when everything is installed, apt is not asked. Fails, naming
# them, when packages are still missing at the end.
set -euo pipefail
source "$(dirname "$0")/env.sh"

packages=(
    cmake make ninja-build
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    googletest
    wine wine64
    xvfb xauth x11-utils xdotool
    ffmpeg imagemagick
    msitools wixl zip libxml2-utils
    python3 clang-format-16
    fonts-wine
)
# 32-bit Wine runs the shipped build, where the kernel executes 32-bit code.
if kernel_runs_32bit; then
    packages+=(wine32:i386)
else
    echo "setup: this kernel cannot run 32-bit programs (/lib/ld-linux.so.2 does not start), so 32-bit Wine is not installed: the tests run on the x86_64 build"
fi

absent() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}
mapfile -t missing < <(absent "${packages[@]}")
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi

# A mirror in the middle of a sync fails an index now and then; apt goes on
# with the others, and install_from_main_suites copes with the one that
# 32-bit Wine needs.
update() {
    apt-get update -qq || echo "setup: apt-get update failed for some indexes; going on with the others"
}

# Debian's security suite at times serves an i386 index out of step with its
# amd64 one (the mirror mid-sync). The amd64 libraries then stand at versions
# with no i386 twin, and as Multi-Arch "same" packages must have one version
# on both architectures, apt refuses wine32:i386. This resolves the whole
# request from the main suites alone, the security suite pinned out for this
# one transaction, and brings the few amd64 libraries of wine32's closure that
# are installed at a later version than their i386 twin down to it. Asked
# for with wine32:i386, wine64 is kept rather than removed to make room.
#   install_from_main_suites PACKAGE...
install_from_main_suites() {
    local prefs
    prefs=$(mktemp)
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: -1\n' >"$prefs"
    local -a main=(-o "Dir::Etc::Preferences=$prefs")
    local -a twins=()
    local package name installed same candidate
    while read -r package; do
        name=${package%:i386}
        read -r installed same < <(dpkg-query -W -f='${db:Status-Abbrev} ${Version} ${Multi-Arch}\n' \
            "$name:amd64" 2>/dev/null | awk '$1 == "ii" { print $2, $3 }') || continue
        [ "$same" = same ] || continue
        candidate=$(apt-cache "${main[@]}" policy "$package" | awk '/Candidate:/ { print $2 }')
        if [ -n "$candidate" ] && [ "$candidate" != "(none)" ] &&
            dpkg --compare-versions "$installed" gt "$candidate"; then
            twins+=("$name:amd64=$candidate")
        fi
    done < <(apt-cache "${main[@]}" depends --recurse --no-recommends --no-suggests --no-conflicts \
        --no-breaks --no-replaces --no-enhances wine32:i386 2>/dev/null | grep -E '^[a-z0-9].*:i386$' | sort -u)
    echo "setup: resolving from the main suites alone${twins[*]:+, with ${twins[*]}}"
    local status=0
    apt-get install -y -qq --no-install-recommends --allow-downgrades "${main[@]}" \
        "$@" "${twins[@]}" >/dev/null || status=$?
    rm -f "$prefs"
    return $status
}

# install PACKAGE...: tries three times, for a network or mirror that fails
# for a while.
install() {
    local attempt
    for attempt in 1 2 3; do
        apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return
        if [[ " $* " == *" wine32:i386 "* ]]; then
            install_from_main_suites "$@" && return
        fi
        [ $attempt = 3 ] && return 1
        echo "setup: apt-get install failed (attempt $attempt), trying again"
        sleep 20
        update
    done
}

# The 64-bit packages first, from every suite, security updates included;
# then 32-bit Wine, which alone may need the main suites.
update
native=() foreign=()
for p in "${missing[@]}"; do
    if [[ $p == *:i386 ]]; then foreign+=("$p"); else native+=("$p"); fi
done
[ ${#native[@]} -eq 0 ] || install "${native[@]}" || true
[ ${#foreign[@]} -eq 0 ] || install wine64 "${foreign[@]}" || true

mapfile -t missing < <(absent "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: FAILED: not installed: ${missing[*]}"
    exit 1
fi

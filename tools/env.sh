# Sourced by the other scripts: paths, the builds that Wine runs here, and
# the Wine that runs each.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${BUILD_ROOT:-$ROOT/build}

# The shipped binaries are 32-bit (i686); the x86_64 build of the same
# sources ships too, as the x64 package. 32-bit Wine runs the shipped build
# where the kernel executes 32-bit code, and 64-bit Wine the x86_64 build
# beside it. Some virtual machines cannot execute 32-bit code at all: there
# the x86_64 build is the one that runs, and the i686 build, tests included,
# is compiled and checked only.

# Whether this kernel runs 32-bit programs: the 32-bit dynamic loader starts.
kernel_runs_32bit() {
    local loader
    for loader in /lib/ld-linux.so.2 /lib32/ld-linux.so.2; do
        if [ -x "$loader" ]; then
            timeout 20 "$loader" --help >/dev/null 2>&1
            return
        fi
    done
    return 1
}

# The builds that Wine runs here, the shipped one first. (A time limit, in
# case 32-bit code is only emulated, far too slowly.) RUN_ARCHES=x86_64 in the
# environment runs the 64-bit build alone, as on a kernel without 32-bit code.
if [ -n "${RUN_ARCHES:-}" ]; then
    :
elif timeout 60 /usr/lib/wine/wine --version >/dev/null 2>&1; then
    RUN_ARCHES="i686 x86_64"
else
    RUN_ARCHES="x86_64"
fi

# use_arch ARCH: the Wine that runs ARCH's build. TEST_ARCH names it.
use_arch() {
    TEST_ARCH=$1
    case $1 in
    i686)
        WINE=/usr/lib/wine/wine
        WINESERVER=/usr/lib/wine/wineserver32
        WINEARCH=win32
        ;;
    x86_64)
        WINE=/usr/lib/wine/wine64
        WINESERVER=/usr/lib/wine/wineserver64
        WINEARCH=win64
        ;;
    esac
    export WINELOADER=$WINE WINESERVER WINEARCH
}
use_arch "${RUN_ARCHES%% *}"
export WINEDEBUG=${WINEDEBUG:--all}

# configure_arch DIR ARCH [CMAKE ARGS...]: configures ARCH's build in DIR,
# its tests run by that architecture's Wine; again only when arguments are
# given, as they may change the cache.
configure_arch() {
    local dir=$1 arch=$2; shift 2
    local emulator=/usr/lib/wine/wine64
    [ "$arch" = i686 ] && emulator=/usr/lib/wine/wine
    if [ ! -f "$dir/build.ninja" ] || [ $# -gt 0 ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch.cmake" \
            -DCMAKE_CROSSCOMPILING_EMULATOR="$emulator" "$@" >/dev/null
    fi
}

# build_arch ARCH [CMAKE ARGS...]: configures and builds one architecture
# into $BUILD_ROOT/<arch>.
build_arch() {
    local arch=$1; shift
    configure_arch "$BUILD_ROOT/$arch" "$arch" "$@"
    cmake --build "$BUILD_ROOT/$arch" -j "$(nproc)"
}

# Starts Xvfb on a free display (unless a display is given) and a persistent
# wineserver for the prefix, then boots the prefix with its output in a file.
# Wine's background services keep pipes open; a booted prefix and a
# persistent server keep them away from CTest's.
XVFB_PID= USER_DISPLAY=${DISPLAY:-}
start_wine() {
    export WINEPREFIX=$BUILD_ROOT/wineprefix-$TEST_ARCH
    if [ -z "${DISPLAY:-}" ] || [ "${FORCE_XVFB:-}" = 1 ]; then
        local n=90
        while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$BUILD_ROOT/xvfb.log" 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi
    mkdir -p "$WINEPREFIX"
    "$WINESERVER" -p
    WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i >"$BUILD_ROOT/wineboot.log" 2>&1 </dev/null
    install_glyph_font
    use_desktop_window
}

# On a display of its own, every program of the prefix runs in one Wine
# desktop window, as on a Windows desktop: Wine then draws the windows'
# frames and captions itself, which it leaves to a window manager that a
# bare Xvfb does not have. On the user's display, programs are windows of
# their own.
use_desktop_window() {
    local key='HKCU\Software\Wine\Explorer'
    if [ -n "$XVFB_PID" ]; then
        "$WINE" reg add "$key\Desktops" /v Tests /d 1280x1024 /f >/dev/null 2>&1
        "$WINE" reg add "$key" /v Desktop /d Tests /f >/dev/null 2>&1
    else
        "$WINE" reg delete "$key" /v Desktop /f >/dev/null 2>&1 || true
    fi
}

# Wine closes a desktop when its last window goes and opens it again for the
# next program, which took up to 20 seconds a test program here: for a run of
# many programs, a minimised Notepad keeps the desktop open until the server
# stops.
keep_desktop_open() {
    if [ -n "$XVFB_PID" ]; then
        "$WINE" start /min notepad >/dev/null 2>&1
    fi
}

# Debian's Wine does not find the fonts of its own font package, and without
# Marlett it draws the caption buttons and check marks as the letters of
# their codes ("0 1 r"). The prefix's font folder is always searched.
install_glyph_font() {
    local font=/usr/share/wine/fonts/marlett.ttf
    local fonts=$WINEPREFIX/drive_c/windows/Fonts
    if [ -f "$font" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
        cp "$font" "$fonts/"
    fi
}

stop_wine() {
    "$WINESERVER" -k 2>/dev/null || true
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
        # The next start_wine starts a display of its own again.
        if [ -n "$USER_DISPLAY" ]; then export DISPLAY=$USER_DISPLAY; else unset DISPLAY; fi
    fi
}

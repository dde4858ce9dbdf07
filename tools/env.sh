# Sourced by the other scripts: paths, the target architecture of the test
# build, and the Wine that runs it.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${BUILD_ROOT:-$ROOT/build}

# The shipped binaries are 32-bit. Wine runs them where the kernel executes
# 32-bit code; some virtual machines cannot, and there the same sources are
# built and tested as 64-bit Windows binaries under 64-bit Wine.
# (A time limit, in case 32-bit binaries are only emulated, far too slowly.)
if timeout 20 /usr/lib/wine/wine --version >/dev/null 2>&1; then
    TEST_ARCH=i686
    WINE=/usr/lib/wine/wine
    WINESERVER=/usr/lib/wine/wineserver32
    export WINEARCH=win32
else
    TEST_ARCH=x86_64
    WINE=/usr/lib/wine/wine64
    WINESERVER=/usr/lib/wine/wineserver64
    export WINEARCH=win64
fi
export WINELOADER=$WINE
export WINESERVER
export WINEDEBUG=${WINEDEBUG:--all}

# Configures and builds one architecture into $BUILD_ROOT/<arch>.
build_arch() {
    local arch=$1; shift
    local dir=$BUILD_ROOT/$arch
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch.cmake" \
            -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE" "$@" >/dev/null
    fi
    cmake --build "$dir" -j "$(nproc)"
}

# Starts Xvfb on a free display (unless a display is given) and a persistent
# wineserver for the prefix, then boots the prefix with its output in a file.
# Wine's background services keep pipes open; a booted prefix and a
# persistent server keep them away from CTest's.
XVFB_PID=
start_wine() {
    export WINEPREFIX=${WINEPREFIX:-$BUILD_ROOT/wineprefix-$TEST_ARCH}
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
    fi
}

#!/usr/bin/env bash
# Installs what is missing, builds, and starts capture.exe under Wine on the
# software capture device. On a display the program opens there; without
# one it runs under Xvfb, leaves a screenshot of its window, and exits.
set -euo pipefail
"$(dirname "$0")/setup.sh"
source "$(dirname "$0")/env.sh"

build_arch i686 -DBUILD_TESTING=OFF
[ "$TEST_ARCH" = i686 ] || build_arch x86_64
bin=$BUILD_ROOT/$TEST_ARCH/bin
echo "run: the $TEST_ARCH build$([ "$TEST_ARCH" = i686 ] && echo ' (shipped)' || echo ', as this kernel cannot run 32-bit code')"
export WINEDLLOVERRIDES="avicap32=n,b"

if [ -n "${DISPLAY:-}" ]; then
    start_wine
    exec "$WINE" "$bin/capture.exe"
fi

trap stop_wine EXIT
start_wine
shot=${SCREENSHOT:-$BUILD_ROOT/capture-screenshot.png}
# A Wine desktop of its own draws the window's frame and caption, which a
# bare Xvfb without a window manager would not.
(cd "$bin" && exec "$WINE" explorer /desktop=VideoCapture,1024x768 capture.exe) &
app=$!
# Give the program time to open its window (the desktop comes first) and
# show some live video.
for _ in $(seq 60); do
    xdotool search --name "^VideoCapture" >/dev/null 2>&1 && break
    sleep 0.5
done
sleep 6
# Open the Options menu, so that the screenshot shows the drivers' names.
desktop=$(xdotool search --name "^VideoCapture" | head -1)
if [ -n "$desktop" ]; then
    xdotool windowfocus --sync "$desktop" 2>/dev/null || true
    sleep 0.5
    xdotool key --window "$desktop" alt+o 2>/dev/null || true
    sleep 1
fi
import -window root -crop 1024x768+0+0 "$shot"
kill "$app" 2>/dev/null || true
echo "run: screenshot of the program window in $shot"

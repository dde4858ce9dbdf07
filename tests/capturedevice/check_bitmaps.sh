#!/bin/sh
# Reads the bitmaps that test_capturedevice leaves in its folder with
# ImageMagick: size, depth and the colour bars (R,G,B within a tolerance).
set -u
dir=$1
status=0
fail() { echo "FAIL $*"; status=1; }

# check FILE, with the tolerance in $tol
check() {
    name=$1
    file=$dir/$name
    [ -f "$file" ] || { fail "$name: missing"; return; }
    size=$(identify -format '%w %h' "$file" 2>/dev/null)
    [ "$size" = "320 240" ] || fail "$name: size '$size', expected '320 240'"
    bar=0
    for expected in "255 255 255" "255 255 0" "0 255 255" "0 255 0" \
                    "255 0 255" "255 0 0" "0 0 255" "0 0 0"; do
        x=$((bar * 40 + 20))
        hex=$(convert "$file" -crop "1x1+$x+40" -depth 8 txt:- | sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | head -1)
        [ -n "$hex" ] || { fail "$name: no pixel at $x,40"; bar=$((bar + 1)); continue; }
        r=$((0x$(echo "$hex" | cut -c1-2)))
        g=$((0x$(echo "$hex" | cut -c3-4)))
        b=$((0x$(echo "$hex" | cut -c5-6)))
        set -- $expected
        for c in r g b; do
            eval "actual=\$$c"
            case $c in r) want=$1 ;; g) want=$2 ;; b) want=$3 ;; esac
            d=$((actual - want)); [ $d -lt 0 ] && d=$((-d))
            [ $d -le "$tol" ] || fail "$name bar $bar: #$hex, expected $expected"
        done
        bar=$((bar + 1))
    done
    echo "checked $name ($size)"
}

tol=0; check bars_rgb24.bmp
tol=0; check bars_rgb15.bmp
tol=3; check bars_yuy2.bmp
exit $status

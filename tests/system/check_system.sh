#!/bin/sh
# The end-to-end suite (test_system drives the program under Wine), then what
# it left read back on the host as a user's tools would read it: the clip
# with ffprobe, the saved frames and the screenshots with ImageMagick. The
# screenshots are kept as PNG files beside the rest.
#   check_system.sh WINE BIN_DIR OUT_DIR
set -u
wine=$1 bin=$2 out=$3
. "$(dirname "$0")/../support/checks.sh"
notice="Copyright (C) Brindlecove Video Systems, 2026."

# A small disk for the capture that fills it: a tmpfs, which only root may
# mount; without it that test is skipped.
disk=$out/small-disk
umount -l "$disk" 2>/dev/null
rm -rf "$out"
mkdir -p "$disk"
if mount -t tmpfs -o size=24m tmpfs "$disk" 2>/dev/null; then
    trap 'umount -l "$disk"' EXIT
    export SYSTEM_SMALL_DISK="$(winpath "$disk")"
else
    unset SYSTEM_SMALL_DISK
    echo "note: no tmpfs could be mounted at $disk (not root?): the disk-full capture is skipped"
fi
export WINEDLLOVERRIDES="avicap32=n,b"
export SYSTEM_ARTEFACTS="$(winpath "$out")"
# In a Wine desktop window of its own, where Wine draws the windows' frames
# and captions as Windows does (with no window manager on the display, the
# screenshots would show none). The desktop does not pass the suite's exit
# code on: its XML report tells.
result=$out/result.xml
(cd "$bin" && "$wine" explorer /desktop=CaptureSystemTest,1280x1024 ./test_system.exe \
    --gtest_filter=-InstalledProgram.* "--gtest_output=xml:$SYSTEM_ARTEFACTS\\result.xml")
summary=$(grep -m1 '<testsuites ' "$result" 2>/dev/null)
echo "$summary" | grep -q ' failures="0"' && echo "$summary" | grep -q ' errors="0"' &&
    ! echo "$summary" | grep -q ' tests="0"' || fail "the suite failed: ${summary:-no report}"

# The clip: Capture Setup's 15 fps for 3 seconds, with audio.
clip=$out/clip.avi
if [ -f "$clip" ]; then
    ffprobe -v error -count_frames -show_streams -show_format -of flat "$clip" \
        >"$clip.probe" 2>"$clip.err"
    [ -s "$clip.err" ] && fail "ffprobe errors: $(head -3 "$clip.err")"
    field() { sed -n "s/^$1=\"\{0,1\}\([^\"]*\)\"\{0,1\}$/\1/p" "$clip.probe"; }
    width=$(field streams.stream.0.width)
    height=$(field streams.stream.0.height)
    frames=$(field streams.stream.0.nb_read_frames)
    rate=$(field streams.stream.0.avg_frame_rate)
    tag=$(field format.tags.copyright)
    fps=$(echo "$rate" | awk -F/ '{ if ($2 > 0) printf "%.4f", $1 / $2; else print 0 }')
    audio=$(field streams.stream.1.codec_type)
    channels=$(field streams.stream.1.channels)
    samplerate=$(field streams.stream.1.sample_rate)
    [ "$(field streams.stream.0.codec_type)" = video ] || fail "the first stream is not video"
    [ "$width" = 320 ] && [ "$height" = 240 ] || fail "frame size ${width}x${height}"
    # 3 seconds at 15 frames a second, give or take a frame at either end.
    [ "${frames:-0}" -ge 43 ] && [ "${frames:-0}" -le 47 ] ||
        fail "$frames frames, expected about 45"
    awk -v f="$fps" 'BEGIN { exit !(f > 14.99 && f < 15.01) }' || fail "rate $rate, expected 15 fps"
    [ "$tag" = "$notice" ] || fail "copyright tag '$tag'"
    [ "$audio" = audio ] || fail "no audio stream"
    # About 3 seconds of sound in the audio stream (its frames are samples).
    samples=$(field streams.stream.1.nb_frames)
    duration=$(awk -v n="${samples:-0}" -v r="${samplerate:-0}" \
        'BEGIN { if (r > 0) printf "%.3f", n / r; else print 0 }')
    awk -v d="$duration" 'BEGIN { exit !(d > 2.5 && d < 3.5) }' ||
        fail "audio of $duration seconds, expected about 3"
    echo "clip: $frames frames at $fps fps ($rate), ${width}x${height}, tag '$tag';" \
        "audio $samples samples at $samplerate Hz, $channels channel(s), $duration s"
else
    fail "no clip"
fi

# The capture that ran out of frame buffers: stopped in order, its file whole.
clip=$out/out-of-memory.avi
frames=$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 \
    "$clip" 2>"$clip.err" | head -1)
[ -s "$clip.err" ] && fail "$clip: $(head -3 "$clip.err")"
# 20 frames had buffers; frames dropped late under load are written too.
[ "${frames:-0}" -ge 20 ] && [ "${frames:-0}" -le 40 ] ||
    fail "$clip: ${frames:-no} frames, expected the 20 captured and few dropped"
echo "out-of-memory clip: $frames frames"

# The program's own capture files (capture_file_test.cpp). probe FILE reads
# it whole into <out>/<name>.probe; get FILE KEY gives a field of it.
probe() {
    ffprobe -v error -count_frames -show_streams -show_format -of flat "$1" \
        >"$out/${1##*/}.probe" 2>"$out/${1##*/}.err"
    [ -s "$out/${1##*/}.err" ] && fail "$1: $(head -3 "$out/${1##*/}.err")"
    [ -s "$out/${1##*/}.probe" ] || fail "$1 unread"
}
get() { sed -n "s/^$2=\"\{0,1\}\([^\"]*\)\"\{0,1\}$/\1/p" "$out/${1##*/}.probe"; }
# within VALUE LOW HIGH; near A B TOLERANCE
within() { awk -v v="${1:-0}" -v l="$2" -v h="$3" 'BEGIN { exit !(v >= l && v <= h) }'; }
near() { awk -v a="${1:-0}" -v b="${2:-0}" -v t="$3" 'BEGIN { d = a - b; exit !(d <= t && -d <= t) }'; }
# Seconds of sound in the clip, and of picture.
sound() { awk -v n="$(get "$1" streams.stream.1.nb_frames)" \
    -v r="$(get "$1" streams.stream.1.sample_rate)" 'BEGIN { if (r > 0) print n / r; else print 0 }'; }
picture() { get "$1" streams.stream.0.duration; }

# Killed after the frames pane counted 45 frames (3 s at 15 fps): read to
# within a second of that, OpenDML, with its copyright entry.
clip=$out/killed.avi
probe "$clip"
frames=$(get "$clip" streams.stream.0.nb_read_frames)
within "$frames" 30 75 || fail "$clip: ${frames:-no} frames, expected 45 or so"
[ "$(get "$clip" format.tags.copyright)" = "$notice" ] || fail "$clip: no copyright tag"
near "$(sound "$clip")" "$(picture "$clip")" 1 ||
    fail "$clip: $(sound "$clip") s of sound for $(picture "$clip") s of picture"
grep -qa odml "$clip" || fail "$clip is not OpenDML"
echo "killed clip: $frames frames, $(picture "$clip") s; sound $(sound "$clip") s"

# Stopped before the 24 MiB disk filled (640x480 RGB 24, 0.9 MB a frame): every
# frame the header counts is read.
clip=$disk/full.avi
if [ -n "${SYSTEM_SMALL_DISK:-}" ]; then
    probe "$clip"
    frames=$(get "$clip" streams.stream.0.nb_read_frames)
    within "$frames" 15 27 || fail "$clip: ${frames:-no} frames, expected 15 to 27"
    [ "$frames" = "$(get "$clip" streams.stream.0.nb_frames)" ] ||
        fail "$clip: $frames frames read of $(get "$clip" streams.stream.0.nb_frames)"
    [ "$(get "$clip" streams.stream.0.width)" = 640 ] || fail "$clip: not 640x480"
    echo "disk-full clip: $frames frames, $(stat -c %s "$clip") bytes; $(df -h "$disk" | tail -1)"
fi

# The driver dropped frames 5 to 7 of every 30 in 4 s at 15 fps: they are
# empty chunks (counted in the header, no picture to read), and the sound
# lasts as long as the picture, within a frame.
clip=$out/dropped.avi
probe "$clip"
frames=$(get "$clip" streams.stream.0.nb_frames)
pictures=$(get "$clip" streams.stream.0.nb_read_frames)
within "$frames" 58 62 || fail "$clip: ${frames:-no} frames, expected 60"
within "$((${frames:-0} - ${pictures:-0}))" 6 8 || fail "$clip: $pictures pictures in $frames frames"
near "$(sound "$clip")" "$(picture "$clip")" 0.0667 ||
    fail "$clip: $(sound "$clip") s of sound for $(picture "$clip") s of picture"
echo "dropped-frames clip: $frames frames, $pictures pictures, $(picture "$clip") s;" \
    "sound $(sound "$clip") s"

# Compressed with the platform's RLE compressor, 2 s at 15 fps.
clip=$out/compressed.avi
probe "$clip"
frames=$(get "$clip" streams.stream.0.nb_read_frames)
[ "$(get "$clip" streams.stream.0.codec_name)" = msrle ] ||
    fail "$clip: codec $(get "$clip" streams.stream.0.codec_name)"
within "$frames" 28 32 || fail "$clip: ${frames:-no} frames, expected 30"
echo "compressed clip: $frames frames, $(get "$clip" streams.stream.0.codec_name)," \
    "$(stat -c %s "$clip") bytes"

# Compressed with the program's own HuffYUV codec, 2 s at 15 fps: every
# frame decodes.
clip=$out/huffyuv.avi
probe "$clip"
frames=$(get "$clip" streams.stream.0.nb_read_frames)
[ "$(get "$clip" streams.stream.0.codec_name)" = huffyuv ] ||
    fail "$clip: codec $(get "$clip" streams.stream.0.codec_name)"
[ "$frames" = "$(get "$clip" streams.stream.0.nb_frames)" ] ||
    fail "$clip: $frames of $(get "$clip" streams.stream.0.nb_frames) frames decode"
within "$frames" 28 32 || fail "$clip: ${frames:-no} frames, expected 30"
echo "HuffYUV clip: $frames frames, $(stat -c %s "$clip") bytes"

# The system's writer, 2 s at 15 fps: AVI 1.0, no OpenDML header.
clip=$out/system-writer.avi
probe "$clip"
frames=$(get "$clip" streams.stream.0.nb_read_frames)
within "$frames" 28 32 || fail "$clip: ${frames:-no} frames, expected 30"
[ "$(get "$clip" format.tags.copyright)" = "$notice" ] || fail "$clip: no copyright tag"
grep -qa odml "$clip" && fail "$clip has an OpenDML header"
echo "system writer's clip: $frames frames, AVI 1.0"

# The saved frames, at the size the program showed. The program's file
# dialog adds the extension "BMP" to a name typed without one.
for size in 320x240 640x480; do
    frame=$out/frame-$size.BMP
    if [ -f "$frame" ]; then
        got=$(identify -format '%wx%h' "$frame" 2>&1)
        [ "$got" = "$size" ] || fail "$frame: $got"
        colours=$(identify -format '%k' "$frame")
        [ "${colours:-0}" -ge 8 ] || fail "$frame has $colours colours"
        echo "frame: $frame $got, $colours colours"
    else
        fail "no $frame"
    fi
done

# The screenshots: each read back, not blank, and kept as PNG.
shots=0
for shot in "$out"/screenshots/*.bmp; do
    [ -f "$shot" ] || continue
    png=${shot%.bmp}.png
    convert "$shot" "$png" || fail "$shot could not be converted"
    deviation=$(identify -format '%[fx:standard_deviation]' "$png")
    awk -v d="${deviation:-0}" 'BEGIN { exit !(d > 0.02) }' ||
        fail "$png is blank (deviation $deviation)"
    rm -f "$shot"
    shots=$((shots + 1))
done
echo "screenshots: $shots in $out/screenshots"
[ $shots -ge 9 ] || fail "$shots screenshots, expected 9"

[ $failures = 0 ] && exit 0
exit 1

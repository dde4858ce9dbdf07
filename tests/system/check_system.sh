#!/bin/sh
# A clip captured by a user of capture.exe (test_capture_clip_e2e drives it
# under Wine), read back with ffprobe on the host:
#   check_clip.sh WINE BIN_DIR OUT_DIR
set -u
wine=$1 bin=$2 out=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$out"
mkdir -p "$out"
clip=$out/clip.avi
export WINEDLLOVERRIDES="avicap32=n,b"
export CAPTURE_CLIP_COPY="$(echo "Z:$clip" | sed 's|/|\\|g')"
(cd "$bin" && "$wine" ./test_capture_clip_e2e.exe) || fail "driving the program failed"
[ -f "$clip" ] || { fail "no clip"; exit 1; }

ffprobe -v error -count_frames -show_streams -show_format -of flat "$clip" >"$clip.probe" \
    2>"$clip.err"
[ -s "$clip.err" ] && fail "ffprobe errors: $(head -3 "$clip.err")"
field() { sed -n "s/^$1=\"\{0,1\}\([^\"]*\)\"\{0,1\}$/\1/p" "$clip.probe"; }

width=$(field streams.stream.0.width)
height=$(field streams.stream.0.height)
frames=$(field streams.stream.0.nb_read_frames)
rate=$(field streams.stream.0.avg_frame_rate)
tag=$(field format.tags.copyright)
fps=$(echo "$rate" | awk -F/ '{ if ($2 > 0) printf "%.4f", $1 / $2; else print 0 }')

[ "$(field streams.stream.0.codec_type)" = video ] || fail "the first stream is not video"
[ "$width" = 320 ] && [ "$height" = 240 ] || fail "frame size ${width}x${height}"
# 3 seconds at 15 frames a second, give or take a frame at either end.
[ "${frames:-0}" -ge 43 ] && [ "${frames:-0}" -le 47 ] || fail "$frames frames, expected about 45"
awk -v f="$fps" 'BEGIN { exit !(f > 14.99 && f < 15.01) }' || fail "rate $rate, expected 15 fps"
notice="Copyright (C) Brindlecove Video Systems, 2026."
[ "$tag" = "$notice" ] || fail "copyright tag '$tag'"
echo "clip: $frames frames at $fps fps ($rate), ${width}x${height}, tag '$tag' (${#tag} characters)"

[ $failures = 0 ] && exit 0
exit 1

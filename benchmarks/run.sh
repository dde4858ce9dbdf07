#!/usr/bin/env bash
# Sequence capture benchmark on the program's own path (the software capture
# device captures 640 x 480 RGB 24 at 30 frames per second without a file and
# hands each frame to the program's writer, CFileCapture):
#   bash benchmarks/run.sh [--large | --hour]
# prints the real-time capture's dropped frames and CPU time per frame over
# 20 s, of the whole capturing process and of the device alone, and again
# compressed with the program's HuffYUV codec (the file read by ffprobe); the
# unthrottled capture rate next to a plain sequential write of the same bytes
# to the same disk; where ffmpeg is installed, ffmpeg's time for writing the
# same frames to an uncompressed AVI, as a ratio to ours. With --large it
# also captures 90 s in real time (past 2 GiB: OpenDML, 1 GiB RIFF blocks)
# and reads the file to its last frame with ffprobe. BUILD_ROOT picks the
# build folder (default build-bench); the files go to BENCH_DIR (default
# inside it). It measures the shipped i686 build where 32-bit Wine runs, the
# x86_64 build elsewhere, and says which; ARCH=x86_64 picks the 64-bit build.
set -euo pipefail
source "$(dirname "$0")/bench-env.sh"
[ "${1:-}" = --hour ] ||
    cmake --build "$dir" -j 2 --target avicapture_bench recording_bench capturedevice >/dev/null
trap stop_wine EXIT
FORCE_XVFB=1 start_wine
export WINEDLLOVERRIDES="avicap32=n,b"

# --hour: an hour of a card's clocks captured through the program's menus in
# a few minutes (test_system's disabled hour test), its figures, and the
# file read by ffprobe: each stream's rate and length.
if [ "${1:-}" = --hour ]; then
    configure_arch "$dir" "$TEST_ARCH" -DTEST_AREAS=system
    cmake --build "$dir" -j 2 --target test_system >/dev/null
    export SYSTEM_ARTEFACTS="$winfiles"
    (cd "$dir/bin" && "$WINE" ./test_system.exe --gtest_also_run_disabled_tests \
        --gtest_filter='CardClocksTest.DISABLED_AnHour*') >"$files/hour.txt" 2>&1 || true
    grep -a '^hour_\|^\[ *\(OK\|FAILED\) *\]\|Failure\|Expected\|evaluates' "$files/hour.txt" | tr -d '\r' || true
    clip=$files/clock-hour.avi
    ffprobe -v error -show_entries stream=codec_type,r_frame_rate,sample_rate,duration,nb_frames \
        -of csv=p=0 "$clip" | sed 's/^/hour_ffprobe_stream=/'
    rm -f "$clip"
    exit 0
fi
bench() { (cd "$dir/bin" && "$WINE" ./avicapture_bench.exe "$@"); }
value() { sed -n "s/^$1=//p" "$2" | tr -d '\r'; }

say_build

echo "== real time: 640x480 RGB 24, 30 fps, 20 s"
bench realtime "$winfiles" 20 | tee "$files/realtime.txt"

echo "== real time with the program's HuffYUV codec: 640x480 RGB 24, 30 fps, 20 s"
bench realtime-hfyu "$winfiles" 20 | tee "$files/realtime-hfyu.txt"
read_frames=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,nb_read_frames -of default=nw=1:nk=1 "$files/realtime-hfyu.avi" |
    tr '\n' ' ')
echo "hfyu_ffprobe=$read_frames(codec, frames decoded)"
rm -f "$files/realtime-hfyu.avi"

echo "== unthrottled: 10 s of video, and a plain write of the same bytes (3 turns each, medians)"
bench unpaced-keep "$winfiles" 10 | tee "$files/unpaced.txt"
frames=$(value unpaced_frames "$files/unpaced.txt")
read_frames=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=nb_read_frames -of default=nw=1:nk=1 "$files/unpaced.avi")
echo "ffprobe_read_frames=$read_frames (capture reported $frames)"

if command -v ffmpeg >/dev/null; then
    echo "== ffmpeg writing the same frames to an uncompressed AVI"
    bench rawframes "$winfiles\\frames.raw" 10
    start=$(date +%s.%N)
    ffmpeg -v error -y -f rawvideo -pix_fmt bgr24 -s 640x480 -r 30 -i "$files/frames.raw" \
        -c:v rawvideo -f avi "$files/ffmpeg.avi"
    sync -f "$files/ffmpeg.avi"
    end=$(date +%s.%N)
    ours=$(value unpaced_seconds "$files/unpaced.txt")
    awk -v s="$start" -v e="$end" -v o="$ours" 'BEGIN {
        printf "ffmpeg_seconds=%.3f\nours_seconds=%.3f\nffmpeg_to_ours_time_ratio=%.2f\n",
            e - s, o, (e - s) / o }'
    rm -f "$files/frames.raw" "$files/ffmpeg.avi"
fi
rm -f "$files/unpaced.avi"

echo "== time keeping: an hour of a card's clocks (jitter, stalls, sound +300 ppm), simulated"
(cd "$dir/bin" && "$WINE" ./recording_bench.exe 3600 300)

if [ "${1:-}" = --large ]; then
    echo "== past 2 GiB: 90 s of video in real time (about 2.5 GB)"
    bench realtime-keep "$winfiles" 90 | tee "$files/large.txt"
    frames=$(value realtime_frames "$files/large.txt")
    probe=$(ffprobe -v error -count_frames -show_entries \
        stream=codec_type,nb_read_frames,duration:format=duration,size -of flat "$files/realtime.avi")
    blocks=$(grep -c -a -o "AVIX" "$files/realtime.avi" || true)
    echo "large_avix_blocks=$blocks"
    echo "$probe" | sed 's/^/large_ffprobe_/'
    read_frames=$(echo "$probe" | sed -n 's/^streams.stream.0.nb_read_frames="\{0,1\}\([0-9]*\)"\{0,1\}$/\1/p')
    echo "large_ffprobe_read_frames=$read_frames (capture reported $frames)"
    [ "$read_frames" = "$frames" ] || { echo "large: frame counts differ"; exit 1; }
    rm -f "$files/realtime.avi"
fi

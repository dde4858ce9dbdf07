#!/usr/bin/env bash
# The HuffYUV codec's benchmark: our encoder's frames per second and output
# sizes at 720x576 YUY2 and 640x480 RGB 24 (through ICCompress, one thread,
# each predictor, the built-in and fitted tables), next to ffmpeg's huffyuv
# encoder on the same frames (its default settings, one thread):
#   bash benchmarks/hfyucodec_run.sh
# BUILD_ROOT picks the build folder (default build-bench); ARCH=x86_64 the
# 64-bit build (the shipped i686 build is the default where it runs).
set -euo pipefail
source "$(dirname "$0")/bench-env.sh"
cmake --build "$dir" -j 2 --target hfyucodec_bench >/dev/null
trap stop_wine EXIT
FORCE_XVFB=1 start_wine
bench() { (cd "$dir/bin" && "$WINE" ./hfyucodec_bench.exe "$@") | tr -d '\r'; }

say_build
echo "== ours: ICCompress, one thread, 2 s per line"
bench encode

command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed: its figures are skipped"; exit 0; }
echo "== ffmpeg's huffyuv encoder on the same frames (default settings, -threads 1)"
bench rawframes "$winfiles"
# ffmpeg's encoder takes planar YUV 4:2:2 and RGB in R, G, B order: the frames
# are converted once beforehand, so that the timing is the encoder's.
ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt yuyv422 -s 720x576 -i "$files/yuy2_720x576.raw" \
    -f rawvideo -pix_fmt yuv422p "$files/ff_yuv.raw"
ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt bgr24 -s 640x480 -i "$files/bgr24_640x480.raw" \
    -f rawvideo -pix_fmt rgb24 "$files/ff_rgb.raw"
ffmpeg_case() { # NAME PIXFMT SIZE RAW
    local loops=30
    local frames=$((10 * (loops + 1)))
    local out
    out=$(ffmpeg -nostdin -benchmark -threads 1 -y -stream_loop "$loops" -f rawvideo -pix_fmt "$2" \
        -s "$3" -i "$4" -c:v huffyuv -threads 1 -f null - 2>&1 | sed -n 's/.*bench: utime=\([0-9.]*\)s.*rtime=\([0-9.]*\)s.*/\1 \2/p')
    ffmpeg -nostdin -v error -y -threads 1 -f rawvideo -pix_fmt "$2" -s "$3" -i "$4" -c:v huffyuv \
        -threads 1 "$files/ff_$1.avi"
    local bytes
    bytes=$(ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 \
        "$files/ff_$1.avi" | awk '{ s += $1; n++ } END { printf "%.0f", s / n }')
    echo "$out" | awk -v n="$1" -v f="$frames" -v b="$bytes" -v raw="$5" '{
        printf "ffmpeg_%s_fps=%.1f\nffmpeg_%s_cpu_fps=%.1f\nffmpeg_%s_bytes_per_frame=%s\nffmpeg_%s_ratio=%.3f\n",
            n, f / $2, n, f / $1, n, b, n, raw / b }'
}
ffmpeg_case yuy2_720x576 yuv422p 720x576 "$files/ff_yuv.raw" $((720 * 576 * 2))
ffmpeg_case rgb24_640x480 rgb24 640x480 "$files/ff_rgb.raw" $((640 * 480 * 3))
rm -f "$files"/*.raw "$files"/ff_*.avi

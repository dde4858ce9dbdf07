#!/bin/sh
# The codec's files against other tools, on the host:
#   check_files.sh WINE BIN_DIR OUT_DIR
# - frames compressed by the codec and written by the program's writer (the
#   tests' pictures, and frames grabbed from the software capture device):
#   ffprobe reads every frame as huffyuv, ffmpeg decodes them to exactly the
#   frames handed to the codec (framemd5 in the same pixel format), and so
#   does GStreamer where its AVI demuxer and huffyuv decoder are installed;
# - files made by ffmpeg's huffyuv encoder (every predictor, interlaced too):
#   the codec decodes them to ffmpeg's own frames;
# - the system's AVIFile decodes our file through hfyucodec.dll registered
#   as the system's vidc.HFYU.
set -u
wine=$1 bin=$2 out=$3
. "$(dirname "$0")/../support/checks.sh"
rm -rf "$out"
mkdir -p "$out"
run() { (cd "$bin" && "$wine" ./hfyucodec_files.exe "$@" </dev/null) | tr -d '\r'; }
hashes() { grep -v '^#' | awk -F, '{ gsub(/ /, "", $NF); print $NF }'; }

run write "$(winpath "$out")" || fail "writing the files"
(
    export WINEDLLOVERRIDES="avicap32=n,b" SOFTCAP_DRIVERS="0:plain"
    run device "$(winpath "$out")"
) || fail "writing the capture device's frames"

# name pixel-format width height
while read -r name pixfmt width height; do
    avi=$out/$name.avi raw=$out/$name.raw
    probe=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries \
        stream=codec_name,width,height,nb_read_frames -of default=nw=1 "$avi" 2>&1 </dev/null)
    for want in codec_name=huffyuv width=$width height=$height nb_read_frames=6; do
        echo "$probe" | grep -qx "$want" || fail "$name: ffprobe: no $want in: $(echo $probe)"
    done
    ffmpeg -nostdin -v error -i "$avi" -pix_fmt "$pixfmt" -f framemd5 - | hashes >"$out/$name.ours.md5"
    ffmpeg -nostdin -v error -f rawvideo -pix_fmt "$pixfmt" -s "${width}x$height" -i "$raw" \
        -pix_fmt "$pixfmt" -f framemd5 - | hashes >"$out/$name.source.md5"
    [ "$(wc -l <"$out/$name.source.md5")" -eq 6 ] || fail "$name: the source has no 6 frames"
    cmp -s "$out/$name.ours.md5" "$out/$name.source.md5" ||
        fail "$name: ffmpeg decodes other frames than the source's"
    # GStreamer pads its rows to 4 bytes: compared where they need none.
    caps=$(case $pixfmt in yuyv422) echo "YUY2 2" ;; bgr24) echo "BGR 3" ;; *) echo "BGRA 4" ;; esac)
    unpadded=$(( (width * ${caps#* }) % 4 == 0 ))
    caps=${caps% *}
    if [ "$unpadded" = 1 ] && command -v gst-launch-1.0 >/dev/null &&
        gst-inspect-1.0 avdec_huffyuv >/dev/null 2>&1 && gst-inspect-1.0 avidemux >/dev/null 2>&1; then
        gst-launch-1.0 -q filesrc location="$avi" ! avidemux ! avdec_huffyuv ! videoconvert ! \
            "video/x-raw,format=$caps" ! filesink location="$out/$name.gst.raw" >/dev/null 2>&1
        cmp -s "$out/$name.gst.raw" "$raw" || fail "$name: GStreamer decodes other frames"
    fi
done <<'CASES'
yuy2_median_fitted yuyv422 720 576
yuy2_left yuyv422 320 240
rgb24_gradient bgr24 640 480
rgb24_left_topdown_fitted bgr24 322 240
rgb32_gradient_noise bgra 160 120
device_yuy2 yuyv422 320 240
device_rgb24 bgr24 320 240
CASES
command -v gst-launch-1.0 >/dev/null || echo "GStreamer is not installed: its check is skipped"

# ffmpeg's own files: name, ffmpeg's options, the raw pixel format ours decode to.
while read -r name pixfmt options; do
    avi=$out/ff_$name.avi
    # shellcheck disable=SC2086
    ffmpeg -nostdin -v error -f lavfi -i testsrc=size=320x480:rate=25 -frames:v 4 -threads 1 \
        -c:v huffyuv $options "$avi" || { fail "ffmpeg cannot make $name"; continue; }
    ffmpeg -nostdin -v error -i "$avi" -f rawvideo -pix_fmt "$pixfmt" "$out/ff_$name.ffmpeg.raw"
    result=$(run decode "$(winpath "$avi")" "$(winpath "$out/ff_$name.ours.raw")")
    echo "ff_$name: $result"
    cmp -s "$out/ff_$name.ours.raw" "$out/ff_$name.ffmpeg.raw" ||
        fail "$name: our decoder's frames differ from ffmpeg's"
done <<'CASES'
yuv_left yuyv422 -pix_fmt yuv422p -pred left
yuv_median yuyv422 -pix_fmt yuv422p -pred median
yuv_plane yuyv422 -pix_fmt yuv422p -pred plane
yuv_median_interlaced yuyv422 -pix_fmt yuv422p -pred median -flags +ilme
rgb24_left bgr24 -pix_fmt rgb24 -pred left
rgb24_plane bgr24 -pix_fmt rgb24 -pred plane
bgra_plane bgra -pix_fmt bgra -pred plane
CASES

# The system's AVIFile, with the codec registered as the system's (and
# the registration taken away again).
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32'
if "$wine" reg query "$key" /v vidc.HFYU >/dev/null 2>&1; then
    echo "an HFYU codec is registered already: AVIFile's check is skipped"
else
    "$wine" reg add "$key" /v vidc.HFYU /d hfyucodec.dll /f >/dev/null 2>&1
    for name in yuy2_left rgb24_gradient rgb32_gradient_noise; do
        result=$(run getframe "$(winpath "$out/$name.avi")" "$(winpath "$out/$name.getframe.raw")")
        echo "$name via AVIFile: $result"
        echo "$result" | grep -q "^getframe=6 " || fail "$name: AVIFile decodes: $result"
        cmp -s "$out/$name.getframe.raw" "$out/$name.raw" ||
            fail "$name: AVIFile's frames differ from the source's"
    done
    "$wine" reg delete "$key" /v vidc.HFYU /f >/dev/null 2>&1
fi

[ $failures -eq 0 ] && echo "hfyucodec files: every check passed"
exit $((failures > 0))

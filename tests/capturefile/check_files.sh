#!/bin/sh
# Writes AVI files with the writer and through the capture window under Wine,
# then reads them back with ffprobe on the host (and with AVIFile under Wine):
#   check_files.sh WINE BIN_DIR OUT_DIR
# The capture window writes AVI 1.0 as the platform's does; the writer's own
# OpenDML files, its free-space check and its checkpoints are tried on the
# writer directly. The disk-full cases write to a drive mapped to a 2 MiB
# tmpfs (mounting needs root; without it the writer's free-space reserve
# stands in for the small disk, and the capture window's case is skipped).
set -u
wine=$1 bin=$2 out=$3
. "$(dirname "$0")/../support/checks.sh"

rm -rf "$out"
mkdir -p "$out"
export WINEDLLOVERRIDES="avicap32=n,b"
copyright="Copyright (C) Mirovanta. All rights reserved."

run() { (cd "$bin" && "$wine" ./capturefile_files.exe "$@"); }
value() { sed -n "s/^$1=//p" "$2"; }
probe() { ffprobe -v error -count_frames -show_streams -show_format -of flat "$1" 2>"$1.err"; }
field() { sed -n "s/^$1=\"\{0,1\}\([^\"]*\)\"\{0,1\}$/\1/p" "$2"; }

# check NAME FILE [killed]: streams, sizes, counts and the copyright tag. A
# killed capture's file may hold complete chunks past its last checkpoint:
# ffprobe, walking the file, may decode those too.
check() {
    name=$1 avi=$2 report=${2%.avi}.txt
    if [ ! -f "$avi" ] || [ ! -f "$report" ]; then
        fail "$name: no file or report"; return
    fi
    probe "$avi" >"$avi.probe"
    [ -s "$avi.err" ] && fail "$name: ffprobe errors: $(head -3 "$avi.err")"
    p=$avi.probe
    frames=$(value frames "$report")
    samples=$(value samples "$report")
    dropped=$(value dropped "$report")
    # A dropped frame keeps its place as an empty chunk: counted in the
    # stream's length, not decoded.
    decoded=$((frames - dropped))
    for expect in \
        "streams.stream.0.codec_type video" \
        "streams.stream.0.codec_name rawvideo" \
        "streams.stream.0.width 160" \
        "streams.stream.0.height 120" \
        "streams.stream.0.nb_read_frames $decoded" \
        "streams.stream.0.nb_frames $frames" \
        "streams.stream.1.codec_type audio" \
        "streams.stream.1.codec_name pcm_s16le" \
        "streams.stream.1.sample_rate 22050" \
        "streams.stream.1.channels 2" \
        "streams.stream.1.nb_frames $samples" \
        "format.nb_streams 2" \
        "format.tags.copyright $copyright"; do
        key=${expect%% *} want=${expect#* }
        got=$(field "$key" "$p")
        if [ "${3:-}" = killed ] && [ "$key" = streams.stream.0.nb_read_frames ]; then
            [ "${got:-0}" -ge "$want" ] || fail "$name: ffprobe decodes $got frames, fewer than $want"
            continue
        fi
        [ "$got" = "$want" ] || fail "$name: $key is '$got', expected '$want'"
    done
    echo "$name: $frames frames ($dropped dropped), $samples audio samples"
}

# 1. The writer alone: several RIFF blocks.
run writer "$(winpath "$out")" || fail "writer: program failed"
check writer "$out/writer.avi"
[ "$(value blocks "$out/writer.txt")" -gt 2 ] || fail "writer: expected several RIFF blocks"

# readback NAME FILE: AVIFile opens the file and reads every frame and sample.
readback() {
    run readback "$(winpath "$2")" || fail "$1: readback failed"
    read=${2%.avi}.read.txt report=${2%.avi}.txt
    [ "$(value opened "$read")" = 0 ] || fail "$1: AVIFileOpen gave $(value opened "$read")"
    for key in frames samples; do
        [ "$(value $key "$read")" = "$(value $key "$report")" ] ||
            fail "$1: AVIFile $key $(value $key "$read"), expected $(value $key "$report")"
    done
    [ "$(value readable "$read")" = "$(value frames "$report")" ] ||
        fail "$1: AVIStreamRead read $(value readable "$read") frames"
    [ "$(value readable_samples "$read")" = "$(value samples "$report")" ] ||
        fail "$1: AVIStreamRead read $(value readable_samples "$read") samples"
}

# avi10 NAME FILE: one RIFF, no OpenDML header or indexes, and the idx1.
avi10() {
    for tag in AVIX indx odml; do
        grep -q "$tag" "$2" && fail "$1: '$tag' in an AVI 1.0 file"
    done
    grep -q idx1 "$2" || fail "$1: no idx1"
}

# 2. A capture ended by its time limit: 3 s at 20 fps, AVI 1.0.
run limit "$(winpath "$out/limit.avi")" || fail "limit: program failed"
check limit "$out/limit.avi"
avi10 limit "$out/limit.avi"
readback limit "$out/limit.avi"
[ "$(value frames "$out/limit.txt")" = 60 ] || fail "limit: expected 60 frames"
[ "$(value samples "$out/limit.txt")" = 66150 ] || fail "limit: expected 66150 samples"
[ "$(value result "$out/limit.txt")" = 1 ] || fail "limit: capture reported failure"
[ "$(value errors "$out/limit.txt")" = "" ] || fail "limit: errors $(value errors "$out/limit.txt")"
case "$(value status "$out/limit.txt")" in
    "502 300 "*"301 ") ;;
    *) fail "limit: status ids $(value status "$out/limit.txt")" ;;
esac

# 3. A capture ended with the abort key after 25 frames.
run abortkey "$(winpath "$out/abortkey.avi")" || fail "abortkey: program failed"
check abortkey "$out/abortkey.avi"
[ "$(value frames "$out/abortkey.txt")" = 25 ] || fail "abortkey: expected 25 frames"

# 4. The file's largest size (2 GiB, lowered to 1 MB here) ends a capture
#    with an error; the file is complete and AVI 1.0.
SOFTCAP_MAX_FILE_BYTES=1000000 run nolimit "$(winpath "$out/largest.avi")" ||
    fail "largest: program failed"
check largest "$out/largest.avi"
avi10 largest "$out/largest.avi"
readback largest "$out/largest.avi"
case "$(value errors "$out/largest.txt")" in
    "430:The capture file "*"reached the largest size of an AVI file"*) ;;
    *) fail "largest: expected error 430, got '$(value errors "$out/largest.txt")'" ;;
esac
[ "$(value result "$out/largest.txt")" = 0 ] || fail "largest: capture reported success"
[ "$(stat -c %s "$out/largest.avi")" -le 1000000 ] || fail "largest: file past its limit"

# 5. A full disk. The capture window writes until the disk refuses a write:
#    the partial chunk is cut off and the file still closed. The writer's
#    free-space check stops before that, in order.
small=$out/small
mkdir -p "$small"
if mount -t tmpfs -o size=2m tmpfs "$small" 2>/dev/null; then
    trap 'umount "$small" 2>/dev/null' EXIT
    drive=${WINEPREFIX:-$HOME/.wine}/dosdevices/s:
    rm -f "$drive"
    ln -s "$small" "$drive"
    run nolimit 'S:\full.avi' || fail "write failure: program failed"
    mv "$small/full.txt" "$out/refused.txt" && mv "$small/full.avi" "$out/refused.avi"
    check "write failure" "$out/refused.avi"
    case "$(value errors "$out/refused.txt")" in
        430:*) ;;
        *) fail "write failure: expected error 430, got '$(value errors "$out/refused.txt")'" ;;
    esac
    [ "$(value result "$out/refused.txt")" = 0 ] || fail "write failure: capture reported success"
    run writerfull 'S:\full.avi' || fail "disk full: program failed"
    rm -f "$drive"
else
    echo "note: cannot mount a small file system; the writer's free-space reserve stands in for it"
    free=$(df -B1 --output=avail "$small" | tail -1)
    run writerfull "$(winpath "$small/full.avi")" $((free - 2 * 1024 * 1024)) ||
        fail "disk full: program failed"
fi
cp "$small/full.avi" "$small/full.txt" "$out/" 2>/dev/null
check diskfull "$out/full.avi"
[ "$(value error "$out/full.txt")" = 112 ] || fail "disk full: error $(value error "$out/full.txt")"
[ "$(value space "$out/full.txt")" = 1 ] || fail "disk full: not stopped by the free-space check"
[ "$(value closed "$out/full.txt")" = 1 ] || fail "disk full: file not completed"
[ "$(value frames "$out/full.txt")" -gt 0 ] || fail "disk full: no frames"

# 6. The program's window closed during the capture, by a timer and from the
#    status callback, 2 s in: the call returns, the file holds every frame
#    captured up to the close.
for mode in closedbytimer closedbystatus; do
    run $mode "$(winpath "$out/$mode.avi")" || fail "$mode: program failed"
    report=$out/$mode.txt
    [ "$(value window "$report")" = 0 ] || fail "$mode: the capture window outlived its parent"
    frames=$(value frames "$report")
    [ "${frames:-0}" -ge 30 ] && [ "$frames" -le 50 ] || fail "$mode: $frames frames for 2 s"
    probe "$out/$mode.avi" >"$out/$mode.avi.probe"
    [ -s "$out/$mode.avi.err" ] && fail "$mode: ffprobe errors: $(head -3 "$out/$mode.avi.err")"
    got=$(field streams.stream.0.nb_read_frames "$out/$mode.avi.probe")
    [ "$got" = "$frames" ] || fail "$mode: ffprobe reads $got frames, the capture streamed $frames"
    echo "$mode: $frames frames"
done

# 7. The writer killed without a chance to close its file: 3 s into its
#    first RIFF block, and 1.5 s into its third. The index structures (idx1,
#    super and standard indexes, read by RiffReader's parser, not by walking)
#    list every frame up to a second before the kill; AVIFile opens both and
#    reads every frame of the first (Wine's AVIFile aborts reading frames
#    past the first block's index, in any file); ffprobe reads both.
for blocks in first third; do
    name=killed-$blocks
    if [ $blocks = third ]; then
        run writerkilledthird "$(winpath "$out/$name.avi")" 2500000 || fail "$name: program failed"
        after=1500
    else
        run writerkilled "$(winpath "$out/$name.avi")" $((1 << 30)) || fail "$name: program failed"
        after=3000
    fi
    report=$out/$name.txt
    [ "$(value opened "$report")" = 0 ] || fail "$name: AVIFileOpen gave $(value opened "$report")"
    # 20 frames a second: those written up to a second before the kill.
    due=$(( $(value started_frames "$out/$name.start.txt") + (after - 1000) / 50 ))
    frames=$(value frames "$report")
    [ "$(value indexes_ok "$report")" = 1 ] || fail "$name: the index structures cannot be read"
    [ "$(value bad_entries "$report")" = 0 ] || fail "$name: $(value bad_entries "$report") index entries point at no chunk"
    [ "$(value odml_frames "$report")" -ge "$due" ] ||
        fail "$name: the standard indexes list $(value odml_frames "$report") frames, fewer than $due"
    if [ $blocks = first ]; then
        [ "$(value idx1_frames "$report")" -ge "$due" ] ||
            fail "$name: the idx1 lists $(value idx1_frames "$report") frames, fewer than $due"
        [ "${frames:-0}" -ge "$due" ] || fail "$name: AVIFile finds $frames frames, fewer than $due"
        [ "$(value readable "$report")" = "$frames" ] ||
            fail "$name: AVIStreamRead read $(value readable "$report") of $frames frames"
        [ "$(value readable_samples "$report")" = "$(value samples "$report")" ] ||
            fail "$name: $(value readable_samples "$report") of $(value samples "$report") samples"
    else
        [ "$(value index_blocks "$report")" -ge 3 ] ||
            fail "$name: the super index lists $(value index_blocks "$report") blocks, expected 3"
        # AVIFile sees the first block only: the rest is for ffprobe.
        sed -i "s/^frames=.*/frames=$(value odml_frames "$report")/; s/^samples=.*/samples=$(value odml_samples "$report")/" "$report"
    fi
    check "$name" "$out/$name.avi" killed
done

# 8. The capture window killed 3 s in leaves what the platform's leaves: a
#    file without its index or sizes, which AVIFile refuses (ffprobe, which
#    walks any movie list, still finds the frames).
run killed "$(winpath "$out/device-killed.avi")" || fail "device killed: program failed"
[ "$(value opened "$out/device-killed.txt")" != 0 ] || fail "device killed: AVIFile opened it"

[ $failures = 0 ] && echo "all files read back" && exit 0
exit 1

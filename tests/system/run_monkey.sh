#!/bin/sh
# Runs the monkey for SECONDS with SEED in a Wine desktop of its own, prints
# its log, and reads every clip it left with ffprobe: captures ended by Esc,
# by a closed window or by a failed allocation must all leave valid files.
#   run_monkey.sh WINE BIN_DIR SECONDS SEED OUT_DIR [ACTIONS_PER_RUN]
set -u
wine=$1 bin=$2 seconds=$3 seed=$4 out=$5 actions=${6:-0}
rm -rf "$out"
mkdir -p "$out/scratch"
export WINEDLLOVERRIDES="avicap32=n,b"
. "$(dirname "$0")/../support/checks.sh"
log=$out/monkey.log
(cd "$bin" && "$wine" explorer /desktop=CaptureMonkey,1280x1024 ./capture_monkey.exe \
    "$seconds" "$seed" "$(winpath "$log")" "$(winpath "$out/scratch")" "$actions")
cat "$log" 2>/dev/null || { echo "FAIL: no log"; exit 1; }
for clip in "$out"/scratch/*.AVI "$out"/scratch/*.avi; do
    [ -f "$clip" ] || continue
    if ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 \
        "$clip" >"$clip.probe" 2>"$clip.err" && [ ! -s "$clip.err" ]; then
        echo "clip: $(basename "$clip") $(head -1 "$clip.probe") frames"
    else
        fail "$clip: $(head -3 "$clip.err")"
    fi
done
grep -q "^monkey: .* 0 crashes, 0 hangs, 0 dialogs during captures" "$log" && [ $failures = 0 ]

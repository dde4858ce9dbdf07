#!/bin/sh
# Runs the random captures with their files kept, then reads every file
# with ffprobe on the host: each must be read without an error.
#   check_random_captures.sh WINE BIN_DIR OUT_DIR
set -u
wine=$1 bin=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
. "$(dirname "$0")/../../support/checks.sh"
RANDOM_CAPTURE_FOLDER="$(winpath "$out")"
export RANDOM_CAPTURE_FOLDER
(cd "$bin" && "$wine" ./test_capture_random.exe) || { echo "FAIL: the random captures"; exit 1; }
files=0
for avi in "$out"/*.avi; do
    [ -f "$avi" ] || continue
    files=$((files + 1))
    if ! ffprobe -v error -show_streams -show_format "$avi" >/dev/null 2>"$avi.err" ||
        [ -s "$avi.err" ]; then
        fail "ffprobe on $(basename "$avi"): $(head -3 "$avi.err")"
    fi
done
echo "$files files read with ffprobe, $failures failed"
[ "$failures" -eq 0 ]

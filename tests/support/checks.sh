# Sourced by the shell checks that read, on the host, what a test program
# left under Wine:  . "$(dirname "$0")/../support/checks.sh"
# A check calls `fail` for each fault it finds and ends on `$failures`.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The Wine path (drive Z:) of a host path.
winpath() { echo "Z:$1" | sed 's|/|\\|g'; }

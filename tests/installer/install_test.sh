#!/bin/sh
# Installs the MSI with the software capture device (msiexec /qn), checks the
# installed files and the uninstall entry, uninstalls, and checks that the
# program's folder and entry are gone.  install_test.sh WINE MSI
set -u
wine=$1 msi=$2
status=0
dir="${WINEPREFIX:?}/drive_c/Program Files/Video Capture"
fail() { echo "FAIL $*"; status=1; }
uninstall_entry() {
    "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        grep -q 'DisplayName.*Video Capture'
}
"$wine" msiexec /i "$msi" /qn ADDLOCAL=ALL || fail "msiexec /i returned $?"
for f in capture.exe tunerprops.dll avicap32.dll; do
    [ -f "$dir/$f" ] || fail "$f not installed"
done
uninstall_entry || fail "no uninstall entry"
"$wine" msiexec /x "$msi" /qn || fail "msiexec /x returned $?"
[ ! -e "$dir" ] || fail "the program's folder is left behind"
uninstall_entry && fail "the uninstall entry is left behind"
exit $status

#!/bin/sh
# One Windows package installed silently under Wine as a user or an
# administrator's script would (msiexec /qn), checked, and uninstalled:
#  - the default install: the program, the library and the codec, byte for
#    byte the build's, in the Program Files folder of the package's
#    architecture; the codec registered as the system's vidc.HFYU; the
#    Start-menu shortcut to the program; the uninstall entry with the name,
#    publisher and version; no software capture device;
#  - the same package with ADDLOCAL=ALL adds the device beside the program;
#  - with SYSTEM_TEST (test_system.exe) given, the installed program is
#    started on the device and shows live video (InstalledProgram.*);
#  - the package of the next version (NEXT_MSI) replaces it: one entry;
#  - the uninstall leaves no file, no shortcut, no uninstall entry, no
#    codec registration and no registry key of either package;
#  - with another HFYU codec registered, the package installs the codec's
#    file but leaves that registration as it is, and so does its uninstall.
#   install_test.sh WINE MSI VERSION NEXT_MSI NEXT_VERSION BIN_DIR [SYSTEM_TEST]
set -u
wine=$1 msi=$2 version=$3 next=$4 next_version=$5 bin=$6 system_test=${7:-}
status=0
fail() { echo "FAIL $*"; status=1; }
# Wine's menu builder would mirror the shortcut onto the host's desktop menus.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
drive=${WINEPREFIX:?}/drive_c
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2	//p"; }
# The form in which Windows Installer writes a GUID into its registry keys.
packed() {
    tr -d '{}-' | awk '
        function reversed(s,   r, i) { for (i = length(s); i > 0; i--) r = r substr(s, i, 1); return r }
        { p = reversed(substr($0, 1, 8)) reversed(substr($0, 9, 4)) reversed(substr($0, 13, 4))
          for (i = 17; i < 32; i += 2) p = p substr($0, i + 1, 1) substr($0, i, 1)
          print p }'
}
files() {
    (cd "$drive" && find . -path './users/*/Temp' -prune -o -path './windows/temp' -prune -o -print) |
        sort
}
registry_value() { # KEY NAME
    "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

# A 32-bit package on a 64-bit system goes to the 32-bit folder and registry view.
software='HKLM\Software'
if msiinfo suminfo "$msi" | grep -q '^Template: x64;'; then
    name="Video Capture (64-bit)" programs="Program Files"
elif [ -d "$drive/Program Files (x86)" ]; then
    name="Video Capture" programs="Program Files (x86)" software='HKLM\Software\Wow6432Node'
else
    name="Video Capture" programs="Program Files"
fi
dir="$drive/$programs/Video Capture"
windows_dir="C:\\$programs\\Video Capture"
uninstall_keys="$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
code=$(property "$msi" ProductCode) next_code=$(property "$next" ProductCode)
drivers="$software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32"
check_codec_entry() { # EXPECTED (empty: none)
    got=$(registry_value "$drivers" vidc.HFYU)
    [ "$got" = "$1" ] || fail "vidc.HFYU is '$got', not '$1'"
}

check_installed() { # FILE...: installed and identical to the build's
    for f in "$@"; do
        if [ ! -f "$dir/$f" ]; then
            fail "$f is not in $dir"
        else
            cmp -s "$dir/$f" "$bin/$f" || fail "the installed $f differs from $bin/$f"
        fi
    done
}

files >"$work/before"
"$wine" msiexec /i "$msi" /qn || fail "msiexec /i returned $?"
check_installed capture.exe tunerprops.dll hfyucodec.dll
check_codec_entry "$windows_dir\\hfyucodec.dll"
[ ! -e "$dir/avicap32.dll" ] || fail "the software capture device is installed by default"
shortcuts=$(find "$drive/ProgramData/Microsoft/Windows/Start Menu" \
    "$drive"/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu" \
    -path "*/Programs/Video Capture/$name.lnk" 2>/dev/null)
# Wine's installer takes the per-user Start menu even for a per-machine package.
if [ -z "$shortcuts" ]; then
    fail "no Start-menu shortcut Programs/Video Capture/$name.lnk"
else
    strings -a "$shortcuts" | grep -qFx "$windows_dir\\capture.exe" ||
        fail "the shortcut does not lead to $windows_dir\\capture.exe"
fi
check_entry() { # PRODUCT_CODE VERSION
    for entry in "DisplayName=$name" "DisplayVersion=$2" "Publisher=Mirovanta"; do
        got=$(registry_value "$uninstall_keys\\$1" "${entry%%=*}")
        [ "$got" = "${entry#*=}" ] ||
            fail "the uninstall entry's ${entry%%=*} is '$got', not '${entry#*=}'"
    done
}
check_entry "$code" "$version"

"$wine" msiexec /i "$msi" /qn ADDLOCAL=ALL || fail "msiexec /i ADDLOCAL=ALL returned $?"
check_installed capture.exe tunerprops.dll avicap32.dll
if [ -n "$system_test" ]; then
    (cd "$(dirname "$system_test")" &&
        WINEDLLOVERRIDES="avicap32=n,b;$WINEDLLOVERRIDES" INSTALLED_PROGRAM_DIR="$windows_dir" \
            "$wine" "./$(basename "$system_test")" --gtest_filter='InstalledProgram.*') >"$work/program" 2>&1
    if ! grep -q '^\[  PASSED  \] [1-9]' "$work/program" || grep -q '^\[  FAILED  \]' "$work/program"; then
        fail "the installed program:"
        cat "$work/program"
    else
        grep '^\[       OK \]' "$work/program"
    fi
fi

# (Wine's installer does not carry the device feature over: it lacks the
# MigrateFeatureStates action that Windows runs for the upgrade.)
"$wine" msiexec /i "$next" /qn || fail "msiexec /i of the next version returned $?"
check_installed capture.exe tunerprops.dll hfyucodec.dll
check_entry "$next_code" "$next_version"
check_codec_entry "$windows_dir\\hfyucodec.dll"
[ -z "$(registry_value "$uninstall_keys\\$code" DisplayName)" ] ||
    fail "the replaced version keeps its uninstall entry"

"$wine" msiexec /x "$next" /qn || fail "msiexec /x returned $?"
files >"$work/after"
check_codec_entry ""
# What stays is the installer's own cache folder, empty again.
comm -13 "$work/before" "$work/after" | grep -v -x -e './windows/Installer' >"$work/left"
[ ! -s "$work/left" ] || { fail "files left behind:"; cat "$work/left"; }
# Every trace of a package in the registry carries one of its codes.
{
    for product in "$code" "$next_code"; do
        echo "$product" | tr -d '{}'
        echo "$product" | packed
    done
    property "$msi" UpgradeCode | packed
    msiinfo export "$msi" Component | tr -d '\r' | awk -F'\t' 'NR > 3 { print $2 }' |
        while read -r component; do echo "$component" | packed; done
    echo 'VideoCaptureSetup'
} >"$work/codes"
for root in 'HKLM\Software' 'HKCU\Software'; do
    "$wine" reg export "$root" "Z:$(echo "$work/registry" | tr / '\\')" /y >/dev/null ||
        fail "reg export $root"
    iconv -f UTF-16 -t UTF-8 "$work/registry" | grep -i -F -f "$work/codes" >"$work/traces"
    [ ! -s "$work/traces" ] || { fail "left in $root:"; cat "$work/traces"; }
done

# Another HFYU codec registered: ours is installed, that one kept.
"$wine" reg add "$drivers" /v vidc.HFYU /d otherhfyu.dll /f >/dev/null 2>&1
"$wine" msiexec /i "$msi" /qn || fail "msiexec /i beside another codec returned $?"
check_installed hfyucodec.dll
check_codec_entry otherhfyu.dll
"$wine" msiexec /x "$msi" /qn || fail "msiexec /x beside another codec returned $?"
check_codec_entry otherhfyu.dll
"$wine" reg delete "$drivers" /v vidc.HFYU /f >/dev/null 2>&1
exit $status

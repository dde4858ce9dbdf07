#!/bin/sh
# Checks the shipped binaries: PE32 i386 images that import Windows system
# DLLs only (no MinGW runtime DLL), and the library's exports by name and ordinal.
set -u
bin=$1
objdump=i686-w64-mingw32-objdump
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|avicap32|msvfw32|msacm32|winmm|msvcrt|shell32|ole32)\.dll$'
status=0
for f in capture.exe tunerprops.dll avicap32.dll hfyucodec.dll; do
    if [ ! -f "$bin/$f" ]; then
        echo "FAIL $f: missing in $bin"; status=1; continue
    fi
    if ! $objdump -f "$bin/$f" | grep -q 'file format pei-i386'; then
        echo "FAIL $f: not a PE32 i386 image"; status=1
    fi
    for dll in $($objdump -p "$bin/$f" | sed -n 's/^\s*DLL Name: //p'); do
        if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
            echo "FAIL $f imports $dll"; status=1
        fi
    done
done
# tunerprops.dll: CreateConfigDialog 1, DestroyConfigDialog 2, DoConfigDialog 3, undecorated.
# The name table lists index i for ordinal base + i; the base must be 1.
dump=$($objdump -p "$bin/tunerprops.dll")
names=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
if ! echo "$dump" | grep -q 'Ordinal Base 1$'; then
    echo "FAIL tunerprops.dll: ordinal base is not 1"; status=1
fi
for pair in "0 CreateConfigDialog" "1 DestroyConfigDialog" "2 DoConfigDialog"; do
    set -- $pair
    if ! echo "$names" | grep -Eq "\[ *$1\] $2\$"; then
        echo "FAIL tunerprops.dll does not export $2 as ordinal $(($1 + 1))"; status=1
    fi
done
# hfyucodec.dll: an installable driver, DriverProc by that name, undecorated.
if ! $objdump -p "$bin/hfyucodec.dll" | grep -Eq '\[ *0\] DriverProc$'; then
    echo "FAIL hfyucodec.dll does not export DriverProc"; status=1
fi
[ $status -eq 0 ] && echo "shipped binaries: PE32 i386, system imports only, exports in place"
exit $status

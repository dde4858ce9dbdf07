#!/bin/sh
# The application manifest of each program, read back under Wine through the
# resource functions (manifest_dump) and checked element by element in the
# namespaces the loader reads: run as invoker, the supported systems, the
# version 6 common controls, per-monitor DPI awareness.
#   check_manifest.sh WINE MANIFEST_DUMP_EXE PROGRAM...
set -u
wine=$1 dump=$2
shift 2
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ASM1=urn:schemas-microsoft-com:asm.v1
ASM3=urn:schemas-microsoft-com:asm.v3
COMPAT=urn:schemas-microsoft-com:compatibility.v1
SMI2005=http://schemas.microsoft.com/SMI/2005/WindowsSettings
SMI2016=http://schemas.microsoft.com/SMI/2016/WindowsSettings
# Windows Vista, 7, 8, 8.1, and 10 (which 11 reports too).
SUPPORTED_OS="{1f676c76-80e1-4239-95bb-83d0f6d0da78}
{35138b9a-5d96-4fbd-8e2d-a2440225f93a}
{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}
{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}
{e2011457-1546-43c5-a5fe-008deee3d3f0}"

# A path step: the element NAME in namespace URI.
el() { printf "/*[local-name()='%s' and namespace-uri()='%s']" "$1" "$2"; }
value() { xmllint --xpath "$1" "$manifest" 2>/dev/null; }
expect() { # WHAT EXPECTED XPATH
    got=$(value "$3")
    [ "$got" = "$2" ] || { echo "FAIL $program: $1 is '$got', not '$2'"; status=1; }
}

n=0
for program in "$@"; do
    n=$((n + 1))
    manifest=$work/manifest-$n.xml
    if ! "$wine" "$dump" "Z:$(echo "$program" | tr / '\\')" "Z:$(echo "$manifest" | tr / '\\')"; then
        status=1
        continue
    fi
    xmllint --noout "$manifest" || { echo "FAIL $program: the manifest is no well-formed XML"; status=1; continue; }
    assembly=$(el assembly $ASM1)
    level="$assembly$(el trustInfo $ASM3)$(el security $ASM3)$(el requestedPrivileges $ASM3)$(el requestedExecutionLevel $ASM3)"
    expect "the execution level" asInvoker "string($level/@level)"
    expect "uiAccess" false "string($level/@uiAccess)"
    os="$assembly$(el compatibility $COMPAT)$(el application $COMPAT)$(el supportedOS $COMPAT)"
    got=$(value "$os/@Id" | sed 's/^ *Id="\(.*\)"$/\1/' | sort)
    [ "$got" = "$SUPPORTED_OS" ] || { echo "FAIL $program: the supported systems are:"; echo "$got"; status=1; }
    controls="$assembly$(el dependency $ASM1)$(el dependentAssembly $ASM1)$(el assemblyIdentity $ASM1)"
    expect "the dependency" "Microsoft.Windows.Common-Controls 6.0.0.0 6595b64144ccf1df *" \
        "concat($controls/@name, ' ', $controls/@version, ' ', $controls/@publicKeyToken, ' ', $controls/@processorArchitecture)"
    settings="$assembly$(el application $ASM3)$(el windowsSettings $ASM3)"
    expect "dpiAware" true/pm "normalize-space($settings$(el dpiAware $SMI2005))"
    # The first entry the system knows wins: PerMonitorV2 from Windows 10 1703 on.
    expect "dpiAwareness" "PerMonitorV2, PerMonitor" "normalize-space($settings$(el dpiAwareness $SMI2016))"
done
exit $status

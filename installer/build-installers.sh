#!/usr/bin/env bash
# Makes the two Windows installers with makensis (Debian's nsis) from the two release builds:
#   OUT/DirectQuorbit-VERSION-setup-x64.exe  64-bit Windows: both modules, each registered with
#                                            the regsvr32 of its bitness
#   OUT/DirectQuorbit-VERSION-setup-x86.exe  32-bit Windows: the 32-bit module
# Beside each, a listing (the same name, .txt): what makensis put into it, in script order
# (files with where they go, the commands it runs, the registry values it writes), one line each.
# The version is the one the builds were configured with (their dq_version.nsh).
#
# usage: build-installers.sh BUILD_X86_64 BUILD_I686 OUT
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build64="$(cd "${1:?usage: build-installers.sh BUILD_X86_64 BUILD_I686 OUT}" && pwd)"
build32="$(cd "${2:?}" && pwd)"
mkdir -p "${3:?}"
out="$(cd "$3" && pwd)"

version_nsh="$build64/dq_version.nsh"
if ! cmp -s "$version_nsh" "$build32/dq_version.nsh"; then
    echo "error: $build64 and $build32 were built for different versions" >&2
    exit 1
fi
version="$(sed -n 's/^!define DQ_VERSION "\(.*\)"$/\1/p' "$version_nsh")"

# The README as a text file Windows' editors show as it is (CRLF line ends).
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
sed 's/\r*$/\r/' "$root/README.md" >"$work/README.txt"
sed 's/\r*$/\r/' "$root/LICENSE.txt" >"$work/LICENSE.txt"

common=(-V4 -DVERSION_NSH="$version_nsh" -DREADME="$work/README.txt"
    -DLICENSE="$work/LICENSE.txt" -DMODULE32="$build32/bin/DirectQuorbit.ax")
listing='^(File|ExecWait|WriteRegStr|WriteRegDWORD|DeleteRegKey|Delete|RMDir|SetRegView|SetOutPath|WriteUninstaller):'
make() { # make ARCH DEFINES...
    local name="$out/DirectQuorbit-$version-setup-$1"
    shift
    if ! makensis "${common[@]}" "$@" -DOUTFILE="$name.exe" "$here/DirectQuorbit.nsi" \
        >"$work/makensis.log" 2>&1; then
        grep -iE 'error|warning' "$work/makensis.log" >&2 || tail -20 "$work/makensis.log" >&2
        exit 1
    fi
    grep -E "$listing" "$work/makensis.log" >"$name.txt"
    echo "$name.exe: $(stat -c %s "$name.exe") bytes ($(wc -l <"$name.txt") listed steps)"
}
make x64 -DARCH=x64 -DMODULE64="$build64/bin/DirectQuorbit.ax"
make x86 -DARCH=x86

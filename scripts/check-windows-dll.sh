#!/usr/bin/env bash
# Checks a cross-built Windows module: it exports the given functions, and it imports only
# system DLLs (the C++ runtime is linked in).
# usage: check-windows-dll.sh OBJDUMP DLL EXPORT...
set -euo pipefail
objdump="$1" dll="$2"
shift 2
dump="$("$objdump" -p "$dll")"
exports="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/.*\] //p')"
status=0
for name in "$@"; do
    if ! grep -qx "$name" <<<"$exports"; then
        echo "error: $dll does not export $name" >&2
        status=1
    fi
done
system='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|comdlg32|comctl32|shell32|shlwapi|gdiplus|msvcrt|ucrtbase|api-ms-win-.*|ws2_32|winmm|version|strmiids)\.dll$'
while read -r imported; do
    if ! grep -qiE "$system" <<<"$imported"; then
        echo "error: $dll needs $imported, which Windows does not ship" >&2
        status=1
    fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
[[ $status -eq 0 ]] && echo "$dll: exports $*; imports only system DLLs"
exit $status

#!/usr/bin/env bash
# Runs the 64-bit Windows build and the installers in Wine, in a fresh temporary prefix of its own:
#   0. the Windows backends' test programs (text with GDI+, file watching, Win32 forms)
#   1. what both installers hold and run (their contents with 7zz, the listings makensis wrote)
#      and the version resources of the modules and the installers (dq-wine-release)
#   2. with nothing registered: registration from a path over 259 characters and from a
#      Cyrillic folder, the page activated after a failed connect (dq-wine-release)
#   3. the 64-bit installer with /S: files, class keys, the filter mapper's entry
#      (dq-wine-mapper), the programs-list entry
#   4. a graph in Wine's filter graph manager with the installed filter (dq-wine-graph)
#   5. under Xvfb, the property page in Wine's property frame (dq-wine-page), with a screenshot
#   6. the uninstaller with /S: files, keys, mapper entry and programs-list entry are gone
#   7. the installer's 32-bit branch, with a stand-in for the 32-bit regsvr32 Wine cannot run
#      here, and /D=: installation, uninstallation, and a failed registration rolled back
# Prints what each step checked and how long it took; exits non-zero when anything failed.
#
# usage: run-wine-tests.sh BUILD_DIR [SCREENSHOT.png [INSTALLERS_DIR]]
#   BUILD_DIR       a build for x86_64-w64-mingw32 (its bin/ holds the module and the programs)
#   SCREENSHOT      where to save the picture of the property page (default BUILD_DIR/wine/...)
#   INSTALLERS_DIR  where make windows put the installers (default BUILD_DIR/../windows), beside
#                   BUILD_DIR's sibling win-i686 for the 32-bit module
# DQ_XVFB_DISPLAY=N runs Xvfb on display :N; by default it takes a free one.
set -uo pipefail

build="$(cd "${1:?usage: run-wine-tests.sh BUILD_DIR [SCREENSHOT.png [INSTALLERS_DIR]]}" && pwd)"
bin="$build/bin"
shot="${2:-$build/wine/property-page.png}"
installers="$(cd "${3:-$build/../windows}" && pwd)"
build32="$(cd "$build/../win-i686" && pwd)"
version="$(sed -n 's/^!define DQ_VERSION "\(.*\)"$/\1/p' "$build/dq_version.nsh")"
setup64="$installers/DirectQuorbit-$version-setup-x64.exe"
setup32="$installers/DirectQuorbit-$version-setup-x86.exe"
mkdir -p "$(dirname "$shot")"
shot="$(cd "$(dirname "$shot")" && pwd)/$(basename "$shot")"

# Debian installs the 64-bit loader here; `wine` would look for the 32-bit one first.
wine64="${WINE64:-/usr/lib/wine/wine64}"
[[ -x "$wine64" ]] || wine64="$(command -v wine64 || true)"
if [[ -z "$wine64" || ! -x "$wine64" ]]; then
    echo "error: wine64 not found (Debian packages wine, wine64)" >&2
    exit 1
fi

work="$(mktemp -d /tmp/dq-wine.XXXXXX)"
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
# No prompts to install .NET or a browser engine, and no sound devices to probe.
export WINEDLLOVERRIDES="mscoree,mshtml,winealsa.drv,winepulse.drv="
xvfb_pid=""

cleanup() {
    WINEPREFIX="$WINEPREFIX" "${wine64%/*}/wineserver" -k >/dev/null 2>&1 ||
        wineserver -k >/dev/null 2>&1 || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
total_start=$SECONDS
step_start=$SECONDS
step() {
    echo
    echo "== $1"
    step_start=$SECONDS
}
took() {
    echo "   ($((SECONDS - step_start)) s)"
}
check() { # check DESCRIPTION COMMAND...
    local what="$1"
    shift
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what"
        failures=$((failures + 1))
        return 1
    fi
}
# A path as Wine's programs see it: the Unix root is drive Z:.
winpath() {
    local p="${1//\//\\}"
    echo "Z:$p"
}
# Runs a Windows program; its output is shown, its failure counted.
run() { # run DESCRIPTION TIMEOUT PROGRAM ARGS...
    local what="$1" limit="$2"
    shift 2
    if timeout "$limit" "$wine64" "$@" 2>&1 | tr -d '\r' | sed '/^ALSA lib\|^Running main/d'; then
        echo "ok   $what"
        return 0
    fi
    echo "FAIL $what"
    failures=$((failures + 1))
    return 1
}

# A virtual display for everything that makes windows.
step "Xvfb"
if [[ -n "${DQ_XVFB_DISPLAY:-}" ]]; then
    Xvfb ":$DQ_XVFB_DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [[ -e "/tmp/.X11-unix/X$DQ_XVFB_DISPLAY" ]] && break
        sleep 0.1
    done
    kill -0 "$xvfb_pid" 2>/dev/null && echo "$DQ_XVFB_DISPLAY" >"$work/display"
else
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
fi
for _ in $(seq 1 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.1
done
if [[ ! -s "$work/display" ]]; then
    echo "FAIL Xvfb did not start:"
    cat "$work/xvfb.log"
    exit 1
fi
export DISPLAY=":$(tr -d '\n' <"$work/display")"
echo "   display $DISPLAY"
took

step "a fresh Wine prefix (wineboot)"
"$wine64" wineboot -i >"$work/wineboot.log" 2>&1
"${wine64%/*}/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
# Debian's Wine finds its own fonts (Tahoma, behind the dialog font) only in the prefix.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
if [[ -d /usr/share/wine/fonts ]]; then
    ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
fi
check "the prefix is set up" test -f "$WINEPREFIX/system.reg"
took

step "0. the Windows backends' tests"
run "text with GDI+ (the shared drawing tests)" 300 "$bin/wine_drawing_tests.exe" --gtest_brief=1
# The shared watcher tests remove the watched folder while its watcher lives, which Windows
# refuses; the Windows tests cover re-targeting with the watcher gone first.
run "file watching with ReadDirectoryChangesW" 300 "$bin/wine_filewatch_tests.exe" --gtest_brief=1 \
    --gtest_filter=-WatcherTest.RetargetingMovesTheWatchToTheNewFolder
run "the forms service on Win32 controls" 300 "$bin/wine_forms_tests.exe" --gtest_brief=1
took

filter='{8563BE21-1C94-44FD-8FC0-A5E832F2ABA6}'
page='{63A821FA-FED7-4D77-8041-50E5781F3431}'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\DirectQuorbit'
value() { # value KEY NAME: the data of a REG_SZ or REG_DWORD value ("" for the default)
    local args=(/ve)
    [[ -n "$2" ]] && args=(/v "$2")
    "$wine64" reg query "$1" "${args[@]}" 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *[^ ].*REG_\(SZ\|DWORD\) *//p'
}
equals() { [[ "$1" == "$2" ]]; }
absent() { ! "$wine64" reg query "$1" >/dev/null 2>&1; }
drive_c="$WINEPREFIX/drive_c"
# Waits (up to 60 s) until a file or folder is gone: the uninstaller runs on from a copy of
# itself after the program started has ended.
gone() {
    for _ in $(seq 1 600); do
        [[ -e "$1" ]] || return 0
        sleep 0.1
    done
    return 1
}

# Whether an installer's listing writes each value of the programs-list entry.
lists_uninstall_entry() {
    local v
    for v in DisplayName DisplayVersion Publisher EstimatedSize UninstallString \
        QuietUninstallString; do
        grep -qF "Uninstall\\DirectQuorbit\\$v=" "$1" || return 1
    done
}

step "1. what the installers hold and run; version resources"
for arch in x64 x86; do
    setup="$installers/DirectQuorbit-$version-setup-$arch.exe"
    listing="${setup%.exe}.txt"
    check "$(basename "$setup") and its listing are there" test -s "$setup" -a -s "$listing"
    rm -rf "$work/unpacked" && mkdir -p "$work/unpacked"
    7zz x -y -o"$work/unpacked" "$setup" >/dev/null 2>&1
    if [[ $arch == x64 ]]; then
        check "x64: the 64-bit module, unchanged" cmp -s "$work/unpacked/DirectQuorbit.ax" \
            "$bin/DirectQuorbit.ax"
        check "x64: the 32-bit module, unchanged" cmp -s "$work/unpacked/\$_32_/DirectQuorbit.ax" \
            "$build32/bin/DirectQuorbit.ax"
        check "x64: it goes to the 64-bit registry view" grep -qx 'SetRegView: 64' "$listing"
        check "x64: the 64-bit module registered with System32's regsvr32" grep -qF \
            'ExecWait: ""$SYSDIR\regsvr32.exe" /s "$INSTDIR\DirectQuorbit.ax""' "$listing"
        check "x64: the 32-bit module registered with SysWOW64's regsvr32" grep -qF \
            'ExecWait: ""$WINDIR\SysWOW64\regsvr32.exe" /s "$Folder32\DirectQuorbit.ax""' "$listing"
        check "x64: and unregistered with it" grep -qF \
            'ExecWait: ""$WINDIR\SysWOW64\regsvr32.exe" /s /u "$Folder32\DirectQuorbit.ax""' "$listing"
    else
        check "x86: the 32-bit module alone, unchanged" cmp -s "$work/unpacked/DirectQuorbit.ax" \
            "$build32/bin/DirectQuorbit.ax"
        check "x86: no other module" test ! -e "$work/unpacked/\$_32_"
        check "x86: registered with the system's regsvr32" grep -qF \
            'ExecWait: ""$SYSDIR\regsvr32.exe" /s "$INSTDIR\DirectQuorbit.ax""' "$listing"
        check "x86: and unregistered with it" grep -qF \
            'ExecWait: ""$SYSDIR\regsvr32.exe" /s /u "$INSTDIR\DirectQuorbit.ax""' "$listing"
        check "x86: no SysWOW64 and no 64-bit registry view" \
            bash -c "! grep -qE 'SysWOW64|SetRegView' '$listing'"
    fi
    check "$arch: README.txt and LICENSE.txt" test -s "$work/unpacked/README.txt" -a \
        -s "$work/unpacked/LICENSE.txt"
    check "$arch: the programs-list entry (name, version, publisher, size, uninstaller)" \
        lists_uninstall_entry "$listing"
done
run "version resources of both modules and both installers" 60 "$bin/dq-wine-release.exe" \
    version "$version" "$(winpath "$bin/DirectQuorbit.ax")" \
    "$(winpath "$build32/bin/DirectQuorbit.ax")" "$(winpath "$setup64")" "$(winpath "$setup32")"
took

step "2. registration from unusual paths; the page after a failed connect"
run "long path, Cyrillic folder, Activate after a failed connect" 120 \
    "$bin/dq-wine-release.exe" module "$(winpath "$bin/DirectQuorbit.ax")" 'C:\dq-release'
took

installed='C:\Program Files\DirectQuorbit\DirectQuorbit.ax'
program_files="$drive_c/Program Files/DirectQuorbit"
step "3. $(basename "$setup64") /S"
timeout 120 "$wine64" "$setup64" /S >"$work/setup.log" 2>&1
check "the installer succeeds" test $? -eq 0
for f in DirectQuorbit.ax README.txt LICENSE.txt uninstall.exe; do
    check "Program Files\\DirectQuorbit\\$f is there" test -s "$program_files/$f"
done
check "it is the 64-bit module" cmp -s "$program_files/DirectQuorbit.ax" "$bin/DirectQuorbit.ax"
check "no 32-bit module where Windows runs no 32-bit programs" \
    test ! -e "$drive_c/Program Files (x86)/DirectQuorbit"
for entry in "$filter|DirectQuorbit" "$page|DirectQuorbit Property Page"; do
    id="${entry%%|*}" name="${entry#*|}"
    key="HKCR\\CLSID\\$id"
    check "$key is \"$name\"" equals "$(value "$key" "")" "$name"
    check "$key\\InprocServer32 is $installed" equals "$(value "$key\\InprocServer32" "")" \
        "$installed"
    check "$key\\InprocServer32 ThreadingModel is \"Both\"" \
        equals "$(value "$key\\InprocServer32" ThreadingModel)" "Both"
done
run "Wine's filter mapper finds the filter" 120 "$bin/dq-wine-mapper.exe"
"$wine64" reg query "$uninstall_key" 2>/dev/null | tr -d '\r' | sed '/^$/d; s/^/   /'
check "programs list: DisplayVersion $version" equals "$(value "$uninstall_key" DisplayVersion)" \
    "$version"
check "programs list: Publisher \"DirectQuorbit project\"" \
    equals "$(value "$uninstall_key" Publisher)" "DirectQuorbit project"
check "programs list: EstimatedSize in KB" test "$(($(value "$uninstall_key" EstimatedSize)))" -gt 1000
check "programs list: the quiet uninstaller" equals \
    "$(value "$uninstall_key" QuietUninstallString)" '"C:\Program Files\DirectQuorbit\uninstall.exe" /S'
took

step "4. a graph in Wine's filter graph manager"
mkdir -p "$work/graph"
run "source -> DirectQuorbit (installed) -> sink" 300 "$bin/dq-wine-graph.exe" "$(winpath "$work/graph")"
took

step "5. the property page in Wine's property frame (Xvfb)"
mkdir -p "$work/page"
timeout 300 "$wine64" "$bin/dq-wine-page.exe" "$(winpath "$work/page")" >"$work/page.log" 2>&1 &
page_pid=$!
for _ in $(seq 1 600); do
    [[ -f "$work/page/frame-rect.txt" ]] || ! kill -0 "$page_pid" 2>/dev/null && break
    sleep 0.1
done
if [[ -f "$work/page/frame-rect.txt" ]]; then
    read -r x y w h < <(tr -d '\r' <"$work/page/frame-rect.txt")
    # The frame's rectangle, kept on the screen.
    ((x < 0)) && { w=$((w + x)); x=0; }
    ((y < 0)) && { h=$((h + y)); y=0; }
    xwd -root -silent -display "$DISPLAY" | xwdtopnm 2>/dev/null |
        pnmcut -left "$x" -top "$y" -width "$w" -height "$h" 2>/dev/null |
        pnmtopng 2>/dev/null >"$shot"
    check "the screenshot is saved ($shot)" test -s "$shot"
fi
touch "$work/page/screenshot-taken"
wait "$page_pid"
page_status=$?
tr -d '\r' <"$work/page.log" | sed '/^ALSA lib/d'
check "the property page host passed" test "$page_status" -eq 0
took

step "6. uninstall.exe /S"
timeout 120 "$wine64" 'C:\Program Files\DirectQuorbit\uninstall.exe' /S >"$work/uninstall.log" 2>&1
check "the uninstaller starts" test $? -eq 0
check "Program Files\\DirectQuorbit is gone, files and all" gone "$program_files"
for id in "$filter" "$page"; do
    check "HKCR\\CLSID\\$id is gone" absent "HKCR\\CLSID\\$id"
done
check "the programs-list entry is gone" absent "$uninstall_key"
run "the filter mapper no longer finds the filter" 120 "$bin/dq-wine-mapper.exe" absent
took

step "7. the 32-bit branch (a stand-in for SysWOW64\\regsvr32.exe), /D=, a rollback"
# Wine here runs no 32-bit programs: a 64-bit stand-in takes the 32-bit regsvr32's place and
# writes down how it is called.
mkdir -p "$drive_c/windows/syswow64"
cp "$bin/dq-wine-regsvr32.exe" "$drive_c/windows/syswow64/regsvr32.exe"
export DQ_STAND_IN_LOG
DQ_STAND_IN_LOG="$(winpath "$work/stand-in.log")"
x86_folder="$drive_c/Program Files (x86)/DirectQuorbit"
custom='C:\Tools\DirectQuorbit'
timeout 120 "$wine64" "$setup64" /S "/D=$custom" >"$work/setup32.log" 2>&1
check "the installer succeeds with /D=$custom" test $? -eq 0
check "the 64-bit module is in $custom" cmp -s "$drive_c/Tools/DirectQuorbit/DirectQuorbit.ax" \
    "$bin/DirectQuorbit.ax"
check "the 32-bit module is in Program Files (x86)\\DirectQuorbit" \
    cmp -s "$x86_folder/DirectQuorbit.ax" "$build32/bin/DirectQuorbit.ax"
check "SysWOW64\\regsvr32.exe registered it" grep -qxF \
    '/s "C:\Program Files (x86)\DirectQuorbit\DirectQuorbit.ax"' "$work/stand-in.log"
check "the 64-bit registration names $custom" equals \
    "$(value "HKCR\\CLSID\\$filter\\InprocServer32" "")" "$custom\\DirectQuorbit.ax"
check "the programs-list entry knows both folders" equals \
    "$(value "$uninstall_key" InstallLocation)|$(value "$uninstall_key" InstallLocation32)" \
    "$custom|C:\\Program Files (x86)\\DirectQuorbit"
timeout 120 "$wine64" "$custom\\uninstall.exe" /S >>"$work/uninstall.log" 2>&1
check "the uninstaller removes both folders" bash -c \
    "$(declare -f gone); gone '$drive_c/Tools/DirectQuorbit' && gone '$x86_folder'"
check "SysWOW64\\regsvr32.exe unregistered the 32-bit module first" grep -qxF \
    '/s /u "C:\Program Files (x86)\DirectQuorbit\DirectQuorbit.ax"' "$work/stand-in.log"
for _ in $(seq 1 100); do absent "$uninstall_key" && break; sleep 0.1; done
check "keys and programs-list entry are gone" bash -c \
    "! '$wine64' reg query 'HKCR\\CLSID\\$filter' >/dev/null 2>&1 &&
     ! '$wine64' reg query '$uninstall_key' >/dev/null 2>&1"

# The 32-bit registration fails: everything is undone, and the installer says so.
DQ_STAND_IN_EXIT=5 timeout 120 "$wine64" "$setup64" /S >"$work/rollback.log" 2>&1
status=$?
check "a failed 32-bit registration fails the installation (exit $status)" test "$status" -ne 0
check "nothing stays in Program Files" bash -c \
    "$(declare -f gone); gone '$program_files' && gone '$x86_folder'" ||
    find "$program_files" "$x86_folder" 2>/dev/null | sed 's/^/   left: /'
check "the 64-bit module's registration is undone" absent "HKCR\\CLSID\\$filter"
check "no programs-list entry" absent "$uninstall_key"
unset DQ_STAND_IN_LOG
took

echo
echo "Wine tests: $((SECONDS - total_start)) s in all, $failures failure(s)."
[[ $failures -eq 0 ]]

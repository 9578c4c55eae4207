#!/usr/bin/env bash
# Runs the 64-bit Windows build in Wine, in a fresh temporary prefix of its own:
#   0. the Windows backends' test programs (text with GDI+, file watching, Win32 forms)
#   1. regsvr32 /s DirectQuorbit.ax; the class keys as `wine reg query` shows them; the filter
#      mapper's entry (dq-wine-mapper)
#   2. a graph in Wine's filter graph manager (dq-wine-graph)
#   3. under Xvfb, the property page in Wine's property frame (dq-wine-page), with a screenshot
#   4. regsvr32 /u /s; the keys and the mapper entry are gone
# Prints what each step checked and how long it took; exits non-zero when anything failed.
#
# usage: run-wine-tests.sh BUILD_DIR [SCREENSHOT.png]
#   BUILD_DIR   a build for x86_64-w64-mingw32 (its bin/ holds the module and the programs)
#   SCREENSHOT  where to save the picture of the property page (default BUILD_DIR/wine/...)
set -uo pipefail

build="$(cd "${1:?usage: run-wine-tests.sh BUILD_DIR [SCREENSHOT.png]}" && pwd)"
bin="$build/bin"
shot="${2:-$build/wine/property-page.png}"
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
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
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

module="$(winpath "$bin/DirectQuorbit.ax")"
filter='{8563BE21-1C94-44FD-8FC0-A5E832F2ABA6}'
page='{63A821FA-FED7-4D77-8041-50E5781F3431}'
value() { # value KEY NAME: the data of a REG_SZ value ("" for the default)
    local args=(/ve)
    [[ -n "$2" ]] && args=(/v "$2")
    "$wine64" reg query "$1" "${args[@]}" 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *[^ ].*REG_SZ *//p'
}
equals() { [[ "$1" == "$2" ]]; }

step "1. regsvr32 /s DirectQuorbit.ax"
check "regsvr32 /s succeeds" "$wine64" regsvr32 /s "$module"
for entry in "$filter|DirectQuorbit" "$page|DirectQuorbit Property Page"; do
    id="${entry%%|*}" name="${entry#*|}"
    key="HKCR\\CLSID\\$id"
    check "$key is \"$name\"" equals "$(value "$key" "")" "$name"
    check "$key\\InprocServer32 is the module's path" \
        equals "$(value "$key\\InprocServer32" "")" "$module"
    check "$key\\InprocServer32 ThreadingModel is \"Both\"" \
        equals "$(value "$key\\InprocServer32" ThreadingModel)" "Both"
done
"$wine64" reg query "HKCR\\CLSID\\$filter" /s 2>/dev/null | tr -d '\r' | sed '/^$/d; s/^/   /'
run "Wine's filter mapper finds the filter" 120 "$bin/dq-wine-mapper.exe"
took

step "2. a graph in Wine's filter graph manager"
mkdir -p "$work/graph"
run "source -> DirectQuorbit -> sink" 300 "$bin/dq-wine-graph.exe" "$(winpath "$work/graph")"
took

step "3. the property page in Wine's property frame (Xvfb)"
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

step "4. regsvr32 /u /s DirectQuorbit.ax"
check "regsvr32 /u /s succeeds" "$wine64" regsvr32 /u /s "$module"
for id in "$filter" "$page"; do
    check "HKCR\\CLSID\\$id is gone" \
        bash -c "! '$wine64' reg query 'HKCR\\CLSID\\$id' >/dev/null 2>&1"
done
run "the filter mapper no longer finds the filter" 120 "$bin/dq-wine-mapper.exe" absent
took

echo
echo "Wine tests: $((SECONDS - total_start)) s in all, $failures failure(s)."
[[ $failures -eq 0 ]]

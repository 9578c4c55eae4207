#!/usr/bin/env bash
# Live preview while editing: a live source through dqoverlay with watch=true into ximagesink on a
# virtual display; the script is saved anew while the pipeline plays, and a screenshot of the
# window must show the new version (its box colour) and none of the old.
# Usage: live_preview.sh BUILD_DIR [SCREENSHOT.png]
set -euo pipefail
build="$(cd "$1" && pwd)"
shot="${2:-}"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export GST_PLUGIN_PATH="$build/gst" GST_REGISTRY="$work/registry.bin" DQ_REGISTRY="$work/dq.db"

# The screen is the video's size: without a window manager the window lies at 0,0 and covers it.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 640x360x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 1 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.1
done
if [[ ! -s "$work/display" ]]; then
    echo "FAIL Xvfb did not start"
    cat "$work/xvfb.log"
    exit 1
fi
export DISPLAY=":$(tr -d '\n' <"$work/display")"

write_script() { # text, box colour; saved as editors save: a new file renamed over the old
    cat >"$work/.talk.txt" <<SCRIPT
@quorent 1
@resolution 640x360
0 3600 pos=24,24 align=top-left size=26 outline=0 color=#FFFFFF box=$2 | $1
0 3600 align=bottom size=22 | talk.txt is watched: every save shows at once
SCRIPT
    mv "$work/.talk.txt" "$work/talk.txt"
}
old_box="#FFC06030" new_box="#FF3060C0"
write_script "talk.txt as it was when the preview started" "$old_box"

gst-launch-1.0 -q videotestsrc is-live=true pattern=smpte \
    ! video/x-raw,format=BGR,width=640,height=360,framerate=25/1 \
    ! dqoverlay script="$work/talk.txt" watch=true \
    ! videoconvert ! ximagesink sync=false >"$work/gst.log" 2>&1 &
pids+=($!)

# Pixels of one colour in a screenshot of the display.
count() { # r g b
    xwd -root -silent | xwdtopnm 2>/dev/null >"$work/shot.ppm"
    ppmhist -noheader "$work/shot.ppm" | awk -v r="$1" -v g="$2" -v b="$3" \
        '$1 == r && $2 == g && $3 == b { n = $5 } END { print n + 0 }'
}
wait_for() { # r g b: until the colour covers a box's worth of pixels (the limit is for a hang)
    for _ in $(seq 1 300); do
        [[ "$(count "$@")" -gt 2000 ]] && return 0
        sleep 0.1
    done
    return 1
}

if ! wait_for 192 96 48; then
    echo "FAIL the preview never showed the script's first version"
    cat "$work/gst.log"
    exit 1
fi
write_script "talk.txt saved again while playing: the new text is on the video" "$new_box"
if ! wait_for 48 96 192; then
    echo "FAIL the preview never showed the rewritten script"
    cat "$work/gst.log"
    exit 1
fi
if [[ "$(count 192 96 48)" -ne 0 ]]; then
    echo "FAIL the old version is still on the screen"
    exit 1
fi
if [[ -n "$shot" ]]; then
    pnmtopng <"$work/shot.ppm" >"$shot" 2>/dev/null
fi
echo "PASS the rewritten script is on the live preview"

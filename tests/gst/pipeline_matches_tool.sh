#!/usr/bin/env bash
# dqoverlay in a gst-launch-1.0 pipeline draws exactly what dq-overlay draws: the same PNG frames
# are decoded, overlaid with the same script by each, the element's output encoded losslessly
# (PNG) and decoded again, and both results compared byte for byte.
# Usage: pipeline_matches_tool.sh BUILD_DIR SCRIPT
set -euo pipefail
build="$(cd "$1" && pwd)"
script="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export GST_PLUGIN_PATH="$build/gst" GST_REGISTRY="$work/registry.bin" DQ_REGISTRY="$work/dq.db"
cd "$work"

frames=60 # 2.4 s at 25 frames a second: the first second without a cue, then a cue
frame_bytes=$((320 * 240 * 3))
gst-launch-1.0 -q videotestsrc pattern=smpte num-buffers=$frames \
    ! video/x-raw,format=RGB,width=320,height=240,framerate=25/1 \
    ! pngenc snapshot=false ! multifilesink location=in-%05d.png

"$build/bin/dq-overlay" --quiet --script "$script" in-%05d.png tool.bgr

gst-launch-1.0 -q multifilesrc location=in-%05d.png caps=image/png,framerate=25/1 \
    ! pngdec ! videoconvert ! video/x-raw,format=BGR \
    ! dqoverlay script="$script" \
    ! videoconvert ! pngenc snapshot=false ! multifilesink location=out-%05d.png

decode() { # PNG frames to raw BGR
    gst-launch-1.0 -q multifilesrc location="$1" caps=image/png,framerate=25/1 \
        ! pngdec ! videoconvert ! video/x-raw,format=BGR ! filesink location="$2"
}
decode in-%05d.png in.bgr
decode out-%05d.png element.bgr

size="$(stat -c %s element.bgr)"
if [[ "$size" -ne $((frames * frame_bytes)) ]]; then
    echo "FAIL the element's pipeline gave $size bytes, not $frames frames"
    exit 1
fi
if ! cmp tool.bgr element.bgr; then
    echo "FAIL the element's frames differ from dq-overlay's"
    exit 1
fi
# The comparison means something only if the overlay drew: nothing before the cue, a cue after.
if ! cmp -s -n "$frame_bytes" in.bgr element.bgr; then
    echo "FAIL the first frame, before any cue, was changed"
    exit 1
fi
if cmp -s in.bgr element.bgr; then
    echo "FAIL no frame has the overlay"
    exit 1
fi
echo "PASS $frames frames equal to dq-overlay's"

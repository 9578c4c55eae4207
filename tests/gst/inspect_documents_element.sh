#!/usr/bin/env bash
# gst-inspect-1.0 finds the element in the build's plugin folder and documents it: what it does,
# its caps and every property with its description.
# Usage: inspect_documents_element.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export GST_PLUGIN_PATH="$build/gst" GST_REGISTRY="$work/registry.bin"
text="$(gst-inspect-1.0 dqoverlay)"
for expected in "Filter/Effect/Video/Overlay" "format: BGR" \
    "script  *: Path of the overlay script" "delay  *: Shifts the overlay" \
    "hide  *: Hides the overlay" "watch  *: Applies changes immediately" \
    "debug  *: Shows the overlay engine's debug panel" \
    "changeable in NULL, READY, PAUSED or PLAYING state"; do
    if ! grep -q -- "$expected" <<<"$text"; then
        echo "FAIL gst-inspect-1.0 dqoverlay does not show: $expected"
        echo "$text"
        exit 1
    fi
done
echo "PASS gst-inspect-1.0 documents dqoverlay"

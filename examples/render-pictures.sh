#!/bin/sh
# Renders the pictures the README shows (640x360 PNGs in examples/pictures/) with
# dq-render-frame, and the subtitle files' pictures with dq-overlay over a frame of a generated
# 960x540 clip. Usage: examples/render-pictures.sh [BUILD_DIR]   (default: build/linux)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
bin="${1:-$root/build/linux}/bin"
tool="$bin/dq-render-frame"
cd "$root/examples"
mkdir -p pictures
"$tool" demo.txt 2 pictures/demo-2s.png
"$tool" demo.txt 5.5 pictures/demo-5.5s.png
"$tool" demo.txt 10.15 pictures/demo-10.15s.png
"$tool" demo.txt 5.5 pictures/demo-debug.png --debug --delay -3
"$tool" alignment.txt 5 pictures/alignment.png
"$tool" styles.txt 5 pictures/styles.png
"$tool" motion.txt 3.5 pictures/motion.png
"$tool" times.txt 7 pictures/times.png
"$tool" utf16.txt 5 pictures/utf16.png
clip=$(mktemp -d)
trap 'rm -rf "$clip"' EXIT
"$bin/dq-make-clip" "$clip/clip.mp4" --size 960x540 --rate 30 --seconds 3
"$bin/dq-overlay" --quiet --script subtitles.srt --start 2 "$clip/clip.mp4" pictures/subtitles-srt.png
"$bin/dq-overlay" --quiet --script subtitles.vtt --start 2 "$clip/clip.mp4" pictures/subtitles-vtt.png

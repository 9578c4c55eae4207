#!/usr/bin/env bash
# dq-overlay beside the ffmpeg command-line tool on the same work: one 1920x1080 raw bgr24 input,
# a two-line subtitle on every frame, nothing encoded out. Reports frames per second (best of a
# few runs, start-up included) and the ratios.
#
#   bench/tools/overlay_vs_ffmpeg.sh [BUILD_DIR]     (default: build/linux)
#   FRAMES=300 RUNS=3 bench/tools/overlay_vs_ffmpeg.sh
#
# ffmpeg is installed here (and only here) from the "#bench" lines of scripts/packages.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build/linux}" && pwd)"
tool="$build/bin/dq-overlay"
frames="${FRAMES:-300}"
runs="${RUNS:-3}"
size=1920x1080
rate=30

[[ -x "$tool" ]] || { echo "error: $tool is missing; build it first (make build)" >&2; exit 1; }
"$root/scripts/install-deps.sh" <(sed -n 's/^#bench //p' "$root/scripts/packages.txt")
font="$(fc-match -f '%{file}' 'DejaVu Sans')"

work="$(mktemp -d "${TMPDIR:-/tmp}/dq-overlay-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The input, and a subtitle file that always has two lines on screen, read by dq-overlay and by
# ffmpeg's subtitles filter alike; drawtext draws the same two lines on every frame.
ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=$size:rate=$rate" -frames:v "$frames" \
    -pix_fmt bgr24 -f rawvideo input.bgr
seconds=$(( (frames + rate - 1) / rate ))
: > subtitles.srt
for (( i = 0; i < seconds; i += 2 )); do
    printf '%d\n00:%02d:%02d,000 --> 00:%02d:%02d,000\nSubtitle number %d, in two lines,\nas films usually show them.\n\n' \
        $((i / 2 + 1)) $((i / 60)) $((i % 60)) $(((i + 2) / 60)) $(((i + 2) % 60)) $((i / 2 + 1)) \
        >> subtitles.srt
done
printf 'Subtitle number 1, in two lines,\nas films usually show them.' > drawtext.txt
cat input.bgr > /dev/null # into the page cache before the first run

raw_in=(-f rawvideo -pix_fmt bgr24 -s "$size" -r "$rate" -i input.bgr)
drawtext="drawtext=fontfile=$font:textfile=drawtext.txt:fontsize=48:fontcolor=white:borderw=2"
drawtext+=":x=(w-text_w)/2:y=h-text_h-40"

# Frames per second of one run of a command.
fps_of() {
    local start end
    start=$EPOCHREALTIME
    "$@" > /dev/null || { echo "error: $* failed" >&2; exit 1; }
    end=$EPOCHREALTIME
    awk -v n="$frames" -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", n / (b - a) }'
}

names=(read_only hide overlay text subtitles)
declare -A best=([read_only]=0 [hide]=0 [overlay]=0 [text]=0 [subtitles]=0)
one_run() {
    case "$1" in
    read_only) fps_of ffmpeg -nostdin -v error "${raw_in[@]}" -f null - ;;
    hide) fps_of "$tool" --quiet --hide --size "$size" --rate "$rate" --script subtitles.srt \
        input.bgr /dev/null ;;
    overlay) fps_of "$tool" --quiet --size "$size" --rate "$rate" --script subtitles.srt \
        input.bgr /dev/null ;;
    text) fps_of ffmpeg -nostdin -v error "${raw_in[@]}" -vf "$drawtext" -f null - ;;
    subtitles) fps_of ffmpeg -nostdin -v error "${raw_in[@]}" -vf subtitles=subtitles.srt -f null - ;;
    esac
}

echo "dq-overlay and ffmpeg side by side: $size raw bgr24 in, nothing encoded out," \
     "$frames frames, best of $runs rounds"
# Round by round, every command once, so that a busy moment of the machine falls on all alike.
for (( r = 0; r < runs; ++r )); do
    for name in "${names[@]}"; do
        fps=$(one_run "$name")
        best[$name]=$(awk -v a="${best[$name]}" -v b="$fps" 'BEGIN { print (b > a) ? b : a }')
    done
done
read_only=${best[read_only]} hide=${best[hide]} overlay=${best[overlay]}
text=${best[text]} subtitles=${best[subtitles]}

printf '  %-44s %8s fps\n' \
    "ffmpeg, no filter (reading only)" "$read_only" \
    "dq-overlay --hide" "$hide" \
    "dq-overlay, two-line subtitles (.srt)" "$overlay" \
    "ffmpeg drawtext, the same two lines" "$text" \
    "ffmpeg subtitles, the same .srt" "$subtitles"
awk -v o="$overlay" -v t="$text" -v s="$subtitles" 'BEGIN {
    printf "  dq-overlay / drawtext:  %.2fx\n  dq-overlay / subtitles: %.2fx\n", o / t, o / s }'

#!/usr/bin/env bash
# dq-overlay beside the ffmpeg command-line tool on the everyday job: a 1080p H.264 file in, H.264
# out at the same x264 preset and CRF: dq-overlay (a two-line subtitle) against ffmpeg's drawtext
# and subtitles filters drawing the same, in interleaved rounds, reported as the median of the
# per-round ratios with their range, and the machine's load average before and after (other work
# on the machine moves these figures).
#
#   bench/tools/encoded_vs_ffmpeg.sh [BUILD_DIR]     (default: build/linux)
#   ENCODED_FRAMES=150 ENCODED_RUNS=5 bench/tools/encoded_vs_ffmpeg.sh
#
# ffmpeg is installed here (and only here) from the "#bench" lines of scripts/packages.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build/linux}" && pwd)"
tool="$build/bin/dq-overlay"
encoded_frames="${ENCODED_FRAMES:-150}"
encoded_runs="${ENCODED_RUNS:-5}"
size=1920x1080
rate=30

[[ -x "$tool" ]] || { echo "error: $tool is missing; build it first (make build)" >&2; exit 1; }
"$root/scripts/install-deps.sh" <(sed -n 's/^#bench //p' "$root/scripts/packages.txt")
font="$(fc-match -f '%{file}' 'DejaVu Sans')"

work="$(mktemp -d "${TMPDIR:-/tmp}/dq-overlay-encoded-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

# A subtitle file that always has two lines on screen, read by dq-overlay and by ffmpeg's
# subtitles filter alike; drawtext draws the same two lines on every frame.
seconds=$(( (encoded_frames + rate - 1) / rate ))
: > subtitles.srt
for (( i = 0; i < seconds; i += 2 )); do
    printf '%d\n00:%02d:%02d,000 --> 00:%02d:%02d,000\nSubtitle number %d, in two lines,\nas films usually show them.\n\n' \
        $((i / 2 + 1)) $((i / 60)) $((i % 60)) $(((i + 2) / 60)) $(((i + 2) % 60)) $((i / 2 + 1)) \
        >> subtitles.srt
done
printf 'Subtitle number 1, in two lines,\nas films usually show them.' > drawtext.txt
drawtext="drawtext=fontfile=$font:textfile=drawtext.txt:fontsize=48:fontcolor=white:borderw=2"
drawtext+=":x=(w-text_w)/2:y=h-text_h-40"

# The encoded runs: H.264 in, H.264 out, x264 at its default preset (medium) and CRF 20 on both
# sides, which is what dq-overlay encodes with when nothing is asked.
ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=$size:rate=$rate" -frames:v "$encoded_frames" \
    -pix_fmt yuv420p -c:v libx264 -preset medium -crf 20 input.mp4
cat input.mp4 > /dev/null
x264=(-c:v libx264 -preset medium -crf 20 -pix_fmt yuv420p)
# Wall-clock and processor seconds (user and system, every thread) of one run of a command. On
# a machine shared with other work the processor time is the steadier measure of the work done.
TIMEFORMAT='%R %U %S'
seconds_of() {
    local times
    times=$( { time "$@" > /dev/null 2> /dev/null; } 2>&1 ) || { echo "error: $* failed" >&2; exit 1; }
    awk '{ printf "%.3f %.3f", $1, $2 + $3 }' <<< "$times"
}
encoded_run() {
    case "$1" in
    dq) seconds_of "$tool" --quiet --script subtitles.srt input.mp4 out-dq.mp4 ;;
    dq_hide) seconds_of "$tool" --quiet --hide --script subtitles.srt input.mp4 out-hide.mp4 ;;
    text) seconds_of ffmpeg -nostdin -v error -y -i input.mp4 -vf "$drawtext" "${x264[@]}" out-text.mp4 ;;
    subtitles) seconds_of ffmpeg -nostdin -v error -y -i input.mp4 -vf subtitles=subtitles.srt \
        "${x264[@]}" out-subtitles.mp4 ;;
    esac
}
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "Encoded: $size H.264 in and out (x264 medium, CRF 20), $encoded_frames frames," \
     "$encoded_runs interleaved rounds"
ratios_text=() ratios_subtitles=() ratios_hide=() cpu_text=() cpu_subtitles=() cpu_hide=()
declare -A total=([dq]=0 [dq_hide]=0 [text]=0 [subtitles]=0)
declare -A cpu_total=([dq]=0 [dq_hide]=0 [text]=0 [subtitles]=0)
ratio() { awk -v mine="$1" -v other="$2" 'BEGIN { printf "%.3f", other / mine }'; }
for (( r = 0; r < encoded_runs; ++r )); do
    declare -A took=() cpu=()
    for name in dq text subtitles dq_hide; do
        read -r wall processor <<< "$(encoded_run "$name")"
        took[$name]=$wall
        cpu[$name]=$processor
        total[$name]=$(awk -v a="${total[$name]}" -v b="$wall" 'BEGIN { print a + b }')
        cpu_total[$name]=$(awk -v a="${cpu_total[$name]}" -v b="$processor" 'BEGIN { print a + b }')
    done
    # A ratio above 1 means dq-overlay was faster (or used less processor time) in that round.
    ratios_text+=("$(ratio "${took[dq]}" "${took[text]}")")
    ratios_subtitles+=("$(ratio "${took[dq]}" "${took[subtitles]}")")
    ratios_hide+=("$(ratio "${took[dq_hide]}" "${took[text]}")")
    cpu_text+=("$(ratio "${cpu[dq]}" "${cpu[text]}")")
    cpu_subtitles+=("$(ratio "${cpu[dq]}" "${cpu[subtitles]}")")
    cpu_hide+=("$(ratio "${cpu[dq_hide]}" "${cpu[text]}")")
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
# The median and the range of a list of numbers.
summary() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.2fx (range %.2fx to %.2fx)", m, v[1], v[NR] }'
}
for name in dq text subtitles dq_hide; do
    fps=$(awk -v n="$encoded_frames" -v r="$encoded_runs" -v t="${total[$name]}" \
        'BEGIN { printf "%.1f", n * r / t }')
    ms=$(awk -v n="$encoded_frames" -v r="$encoded_runs" -v t="${cpu_total[$name]}" \
        'BEGIN { printf "%.1f", 1000 * t / (n * r) }')
    case "$name" in
    dq) label="dq-overlay, two-line subtitles (.srt)" ;;
    text) label="ffmpeg drawtext, the same two lines" ;;
    subtitles) label="ffmpeg subtitles, the same .srt" ;;
    dq_hide) label="dq-overlay --hide" ;;
    esac
    printf '  %-40s %6s fps, %6s ms of processor time a frame\n' "$label" "$fps" "$ms"
done
echo "  medians of the per-round ratios (above 1: dq-overlay ahead), with their range:"
echo "    dq-overlay / drawtext:        $(summary "${ratios_text[@]}") wall, $(summary "${cpu_text[@]}") processor"
echo "    dq-overlay / subtitles:       $(summary "${ratios_subtitles[@]}") wall, $(summary "${cpu_subtitles[@]}") processor"
echo "    dq-overlay --hide / drawtext: $(summary "${ratios_hide[@]}") wall, $(summary "${cpu_hide[@]}") processor"
echo "  load average (1, 5, 15 min): $load_before before, $load_after after; $(nproc) processors"

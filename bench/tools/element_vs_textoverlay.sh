#!/usr/bin/env bash
# The dqoverlay GStreamer element beside GStreamer's own textoverlay and beside dq-overlay, on the
# same work: one 1920x1080 raw BGR file read in a pipeline, the same two-line subtitle on every
# frame, nothing encoded out. Rounds are interleaved (every command once per round, so a busy
# moment of the machine falls on all alike); the report gives medians with their range over the
# rounds, and the machine's load before and after, since other work may share it.
#
#   bench/tools/element_vs_textoverlay.sh [BUILD_DIR]     (default: build/linux)
#   FRAMES=150 ROUNDS=7 bench/tools/element_vs_textoverlay.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build/linux}" && pwd)"
tool="$build/bin/dq-overlay"
frames="${FRAMES:-150}"
rounds="${ROUNDS:-7}"
width=1920 height=1080 rate=30

[[ -x "$tool" && -f "$build/gst/libgstdqoverlay.so" ]] ||
    { echo "error: dq-overlay or the plugin is missing; build them first (make build)" >&2; exit 1; }
work="$(mktemp -d "${TMPDIR:-/tmp}/dq-element-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"
export GST_PLUGIN_PATH="$build/gst" GST_REGISTRY="$work/registry.bin" DQ_REGISTRY="$work/dq.db"

gst-launch-1.0 -q videotestsrc pattern=smpte num-buffers="$frames" \
    ! "video/x-raw,format=BGR,width=$width,height=$height,framerate=$rate/1" \
    ! filesink location=input.bgr
line1="Subtitle number 1, in two lines," line2="as films usually show them."
printf '1\n00:00:00,000 --> 10:00:00,000\n%s\n%s\n' "$line1" "$line2" > subtitles.srt
cat input.bgr > /dev/null # into the page cache before the first run

source=(filesrc location=input.bgr ! rawvideoparse "width=$width" "height=$height" format=bgr
        "framerate=$rate/1")
# Seconds of one run of a command.
seconds_of() {
    local start end
    start=$EPOCHREALTIME
    "$@" > /dev/null || { echo "error: $* failed" >&2; exit 1; }
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }'
}
one_run() {
    case "$1" in
    read) seconds_of gst-launch-1.0 -q "${source[@]}" ! fakesink ;;
    element_hide) seconds_of gst-launch-1.0 -q "${source[@]}" \
        ! dqoverlay script=subtitles.srt hide=true ! fakesink ;;
    element) seconds_of gst-launch-1.0 -q "${source[@]}" ! dqoverlay script=subtitles.srt \
        ! fakesink ;;
    textoverlay) seconds_of gst-launch-1.0 -q "${source[@]}" \
        ! textoverlay "text=\"$line1"$'\n'"$line2\"" "font-desc=\"DejaVu Sans 36\"" valignment=bottom \
        ! fakesink ;;
    tool_hide) seconds_of "$tool" --quiet --hide --size "${width}x$height" --rate "$rate" \
        --script subtitles.srt input.bgr /dev/null ;;
    tool) seconds_of "$tool" --quiet --size "${width}x$height" --rate "$rate" \
        --script subtitles.srt input.bgr /dev/null ;;
    esac
}

names=(read element_hide element textoverlay tool_hide tool)
declare -A times
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
for (( r = 0; r < rounds; ++r )); do
    for name in "${names[@]}"; do
        times[$name]+="$(one_run "$name") "
    done
done
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

# Median, lowest and highest of a list of numbers.
stats() { tr ' ' '\n' | awk 'NF' | sort -g | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.3f %.3f %.3f", m, v[1], v[NR] }'; }
# The overlay's cost per frame is measured against the same program with the overlay hidden, so
# that loading the module and the script (the same in both) does not count as frames' work.
# Per round: a ratio of two commands' times, or of the time two pairs of commands differ by.
per_round() { # awk expression over the round's times a b c d
    local -a a b c d
    read -ra a <<< "${times[$2]}"; read -ra b <<< "${times[$3]}"
    read -ra c <<< "${times[${4:-$2}]}"; read -ra d <<< "${times[${5:-$3}]}"
    for (( i = 0; i < rounds; ++i )); do
        awk -v a="${a[i]}" -v b="${b[i]}" -v c="${c[i]}" -v d="${d[i]}" -v n="$frames" \
            "BEGIN { printf \"%.4f \", $1 }"
    done
}

echo "dqoverlay, textoverlay and dq-overlay: ${width}x$height raw BGR from a file, the same" \
     "two-line subtitle on every frame, nothing encoded, $frames frames, $rounds interleaved rounds"
echo "  load average (1, 5, 15 min) before: $load_before; after: $load_after;" \
     "$(nproc) cores"
printf '  %-52s %s\n' "" "median   (lowest - highest), frames per second"
for name in "${names[@]}"; do
    case "$name" in
    read) label="pipeline, no overlay (reading only)" ;;
    element_hide) label="pipeline with dqoverlay hide=true (pass-through)" ;;
    element) label="pipeline with dqoverlay" ;;
    textoverlay) label="pipeline with textoverlay (BGR, no conversion needed)" ;;
    tool_hide) label="dq-overlay --hide" ;;
    tool) label="dq-overlay" ;;
    esac
    read -r m lo hi <<< "$(per_round 'n / a' "$name" "$name" | stats)"
    printf '  %-52s %7.1f (%.1f - %.1f)\n' "$label" "$m" "$lo" "$hi"
done
read -r m lo hi <<< "$(per_round 'b / a' element textoverlay | stats)"
printf '  %-52s %7.2fx (%.2f - %.2f)\n' "dqoverlay pipeline speed / textoverlay's" "$m" "$lo" "$hi"
read -r m lo hi <<< "$(per_round '1000 * (a - b) / n' element element_hide | stats)"
printf '  %-52s %7.3f (%.3f - %.3f)\n' "ms per frame the element adds to the pipeline" "$m" "$lo" "$hi"
read -r m lo hi <<< "$(per_round '1000 * (a - b) / n' tool tool_hide | stats)"
printf '  %-52s %7.3f (%.3f - %.3f)\n' "ms per frame the overlay adds in dq-overlay" "$m" "$lo" "$hi"
read -r m lo hi <<< "$(per_round '1000 * ((a - b) - (c - d)) / n' element element_hide tool tool_hide | stats)"
printf '  %-52s %7.3f (%.3f - %.3f)\n' "element's added ms per frame less dq-overlay's" "$m" "$lo" "$hi"

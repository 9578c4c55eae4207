#!/usr/bin/env bash
# dq-overlay beside the ffmpeg command-line tool on the same work: raw bgr24 frames read from a
# file (in the page cache), nothing encoded out, start-up included. Cases:
#   subtitle     a two-line subtitle on every frame (.srt for dq-overlay and ffmpeg's subtitles
#                filter; the same two lines for drawtext), 1080p and 4K
#   corner       the same subtitle and a one-character cue in the top-left corner (two drawtext)
#   demo         examples/demo.txt, against a chain of drawtext filters drawing the same cues
#                (sizes, colours, outline, the box, the scroll and the fade), 1080p and 4K
#   per-frame    a new one-frame cue on every frame (a frame counter and time code), against
#                drawtext expanding the same per frame
# Every command runs once per round, the rounds interleaved so that a busy moment of the machine
# falls on all alike; each ratio is taken within a round, and the report gives the median of the
# per-round ratios with their range, and the machine's load average over the rounds.
#
#   bench/tools/overlay_vs_ffmpeg.sh [BUILD_DIR]     (default: build/linux)
#   ROUNDS=5 bench/tools/overlay_vs_ffmpeg.sh
#
# ffmpeg is installed here (and only here) from the "#bench" lines of scripts/packages.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build/linux}" && pwd)"
tool="$build/bin/dq-overlay"
rounds="${ROUNDS:-5}"

[[ -x "$tool" ]] || { echo "error: $tool is missing; build it first (make build)" >&2; exit 1; }
"$root/scripts/install-deps.sh" <(sed -n 's/^#bench //p' "$root/scripts/packages.txt")
font="$(fc-match -f '%{file}' 'DejaVu Sans')"

work="$(mktemp -d "${TMPDIR:-/tmp}/dq-overlay-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Inputs: 14 s of 1080p at 30 frames a second (420 frames), and of 4K at 5 (70 frames), enough
# for the demo script's cues; the other cases use them too.
declare -A size=([hd]=1920x1080 [uhd]=3840x2160) rate=([hd]=30 [uhd]=5) frames=([hd]=420 [uhd]=70)
declare -A scale=([hd]=1 [uhd]=2)
for res in hd uhd; do
    ffmpeg -nostdin -v error -f lavfi -i "testsrc2=size=${size[$res]}:rate=${rate[$res]}" \
        -frames:v "${frames[$res]}" -pix_fmt bgr24 -f rawvideo "input-$res.bgr"
done

# The subtitle: two lines on screen at every moment, in a new cue every 2 s.
: > subtitles.srt
for (( i = 0; i < 14; i += 2 )); do
    printf '%d\n00:00:%02d,000 --> 00:00:%02d,000\nSubtitle number %d, in two lines,\nas films usually show them.\n\n' \
        $((i / 2 + 1)) "$i" $((i + 2)) $((i / 2 + 1)) >> subtitles.srt
done
printf 'Subtitle number 1, in two lines,\nas films usually show them.' > subtitle.txt
# The same subtitle as a script of our own, and with a corner cue.
{
    echo '@resolution 1920x1080'
    for (( i = 0; i < 14; i += 2 )); do
        printf '%d %d | Subtitle number %d, in two lines,\\nas films usually show them.\n' \
            "$i" $((i + 2)) $((i / 2 + 1))
    done
} > subtitle.txt.quorent
cp subtitle.txt.quorent corner.quorent
echo '0 14 align=top-left margin=30 | 7' >> corner.quorent
printf '7' > corner.txt
# A new cue on every frame: its number and time, as drawtext expands them per frame.
awk -v n="${frames[hd]}" -v r="${rate[hd]}" 'BEGIN {
    for (i = 0; i < n; ++i) {
        a = int(i * 1000 / r); b = int((i + 1) * 1000 / r)
        printf "%d.%03d %d.%03d | frame %d, 00:00:%02d.%03d\n", a / 1000, a % 1000, b / 1000, b % 1000,
            i, int(a / 1000), a % 1000
    }
}' > per-frame.quorent
printf 'frame %%{frame_num}, %%{pts:hms}' > per-frame.txt
# The demo script's cues, one file each for drawtext.
printf 'Hello, world!' > demo1.txt
printf 'Two lines\nof text' > demo2.txt
printf 'A sign in the corner' > demo3.txt
printf 'This one flies across the picture' > demo4.txt
printf 'Centre stage' > demo5.txt
cat input-hd.bgr input-uhd.bgr > /dev/null # into the page cache before the first run

# drawtext drawing text from FILE at fontsize, border and place (script pixels of 1080p, times s).
text() { # FILE SIZE BORDER COLOUR X Y [more options]
    local s=$scale_now
    printf 'drawtext=fontfile=%s:textfile=%s:fontsize=%d:borderw=%d:fontcolor=%s:x=%s:y=%s%s' \
        "$font" "$1" $(($2 * s)) $(($3 * s)) "$4" "$5" "$6" "${7:-}"
}
demo_chain() {
    local s=$scale_now
    text demo1.txt 56 3 white '(w-text_w)/2' "h-text_h-$((40 * s))" ":enable='between(t,1,4)'"
    printf ','
    text demo2.txt 56 3 white '(w-text_w)/2' "h-text_h-$((40 * s))" ":enable='between(t,4.5,7.5)'"
    printf ','
    text demo3.txt 40 3 0xFFE000 $((40 * s)) $((40 * s)) \
        ":box=1:boxcolor=black@0.63:boxborderw=$((10 * s)):enable='between(t,5,9)'"
    printf ','
    text demo4.txt 56 3 0x80FFFF "'w-(t-8)/4*(w+text_w)'" "h-text_h-$((40 * s))" \
        ":enable='between(t,8,12)'"
    printf ','
    text demo5.txt 80 3 white '(w-text_w)/2' '(h-text_h)/2' \
        ":alpha='if(lt(t,10.3),(t-10)/0.3,if(gt(t,13.7),(14-t)/0.3,1))':enable='between(t,10,14)'"
}

# Frames per second of one run of a command over the input of resolution $res.
fps_of() {
    local start end
    start=$EPOCHREALTIME
    "$@" > /dev/null || { echo "error: $* failed" >&2; exit 1; }
    end=$EPOCHREALTIME
    awk -v n="${frames[$res]}" -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", n / (b - a) }'
}
dq() { fps_of "$tool" --quiet --size "${size[$res]}" --rate "${rate[$res]}" "$@" "input-$res.bgr" /dev/null; }
ff() {
    fps_of ffmpeg -nostdin -v error -f rawvideo -pix_fmt bgr24 -s "${size[$res]}" -r "${rate[$res]}" \
        -i "input-$res.bgr" "$@" -f null -
}

# name resolution command...
runs=(
    "read hd ff"
    "hide hd dq --hide --script subtitles.srt"
    "sub hd dq --script subtitles.srt"
    "sub_q hd dq --script subtitle.txt.quorent"
    "sub_dt hd ff -vf SUBTITLE"
    "sub_ass hd ff -vf subtitles=subtitles.srt"
    "corner hd dq --script corner.quorent"
    "corner_dt hd ff -vf SUBTITLE,CORNER"
    "demo hd dq --script $root/examples/demo.txt"
    "demo_dt hd ff -vf DEMO"
    "frame hd dq --script per-frame.quorent"
    "frame_dt hd ff -vf PERFRAME"
    "sub uhd dq --script subtitles.srt"
    "sub_q uhd dq --script subtitle.txt.quorent"
    "sub_dt uhd ff -vf SUBTITLE"
    "corner uhd dq --script corner.quorent"
    "corner_dt uhd ff -vf SUBTITLE,CORNER"
    "demo uhd dq --script $root/examples/demo.txt"
    "demo_dt uhd ff -vf DEMO"
)
filters() { # the -vf argument with its placeholders filled for $res
    local s=$scale_now
    local sub corner perframe
    sub="$(text subtitle.txt 48 2 white '(w-text_w)/2' "h-text_h-$((40 * s))")"
    corner="$(text corner.txt 48 2 white $((30 * s)) $((30 * s)))"
    perframe="$(text per-frame.txt 48 2 white '(w-text_w)/2' "h-text_h-$((40 * s))")"
    local v=$1
    v="${v//SUBTITLE/$sub}"
    v="${v//CORNER/$corner}"
    v="${v//PERFRAME/$perframe}"
    v="${v//DEMO/$(demo_chain)}"
    printf '%s' "$v"
}

declare -A fps
loads=()
echo "dq-overlay and ffmpeg side by side: raw bgr24 in, nothing encoded out, $rounds rounds;" \
     "1080p: ${frames[hd]} frames, 4K: ${frames[uhd]} frames"
for (( r = 0; r < rounds; ++r )); do
    read -r load _ < /proc/loadavg
    loads+=("$load")
    for spec in "${runs[@]}"; do
        read -r name res kind args <<< "$spec"
        scale_now=${scale[$res]}
        # shellcheck disable=SC2086 # the arguments are words
        if [[ $kind == dq ]]; then
            value=$(dq $args)
        else
            set -- $args
            if [[ $# -ge 2 && $1 == -vf ]]; then
                value=$(ff -vf "$(filters "$2")")
            else
                value=$(ff $args)
            fi
        fi
        fps[$name.$res]+="$value "
    done
done
read -r load _ < /proc/loadavg
loads+=("$load")

# Median and range of the per-round ratios a / b (or of a's values alone when b is empty).
stats() {
    local a b
    read -r -a a <<< "${fps[$1]}"
    read -r -a b <<< "${2:+${fps[$2]}}"
    for (( i = 0; i < ${#a[@]}; ++i )); do
        if [[ -n ${2:-} ]]; then
            awk -v x="${a[$i]}" -v y="${b[$i]}" 'BEGIN { printf "%.4f\n", x / y }'
        else
            echo "${a[$i]}"
        fi
    done | sort -g | awk '{ v[NR] = $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.2f (%.2f to %.2f)", m, v[1], v[NR] }'
}
row() { printf '  %-52s %s\n' "$1" "$2"; }

echo "frames per second, median of the rounds (range):"
row "1080p ffmpeg, no filter (reading only)" "$(stats read.hd)"
row "1080p dq-overlay --hide" "$(stats hide.hd)"
for res in hd uhd; do
    label=$([[ $res == hd ]] && echo 1080p || echo 4K)
    row "$label dq-overlay, two-line subtitle (.srt)" "$(stats sub.$res)"
    row "$label dq-overlay, the same as a script" "$(stats sub_q.$res)"
    row "$label ffmpeg drawtext, the same two lines" "$(stats sub_dt.$res)"
    [[ $res == hd ]] && row "$label ffmpeg subtitles, the same .srt" "$(stats sub_ass.$res)"
    row "$label dq-overlay, subtitle and corner cue" "$(stats corner.$res)"
    row "$label ffmpeg, two drawtext (subtitle and corner)" "$(stats corner_dt.$res)"
    row "$label dq-overlay, examples/demo.txt" "$(stats demo.$res)"
    row "$label ffmpeg, the demo's drawtext chain" "$(stats demo_dt.$res)"
done
row "1080p dq-overlay, a new cue every frame" "$(stats frame.hd)"
row "1080p ffmpeg drawtext, text expanded every frame" "$(stats frame_dt.hd)"
echo "ratios (dq-overlay speed over ffmpeg's), median of the per-round ratios (range):"
for res in hd uhd; do
    label=$([[ $res == hd ]] && echo 1080p || echo 4K)
    row "$label subtitle / drawtext" "$(stats sub.$res sub_dt.$res)"
    [[ $res == hd ]] && row "$label subtitle / subtitles" "$(stats sub.$res sub_ass.$res)"
    row "$label subtitle and corner / two drawtext" "$(stats corner.$res corner_dt.$res)"
    row "$label demo / drawtext chain" "$(stats demo.$res demo_dt.$res)"
done
row "1080p new cue every frame / drawtext per frame" "$(stats frame.hd frame_dt.hd)"
echo "what the corner cue costs dq-overlay (speed with it over speed without, 1 = nothing):"
row "1080p" "$(stats corner.hd sub_q.hd)"
row "4K" "$(stats corner.uhd sub_q.uhd)"
echo "load average (1 min) at the start of each round and at the end: ${loads[*]}" \
     "on $(nproc) processors"

#!/usr/bin/env bash
# Time to the first frame: dq-overlay writing one 1920x1080 frame with a script of 1,000,
# 100,000 and 1,000,000 cues, where loading the script is nearly all the work; and the run's
# peak memory. Beside it, one load of the same script alone (dq-script check, which loads as the
# filter does), and the ratio of the two. Rounds are interleaved (every case once per round)
# and the median is reported.
# Given a second build folder (a build from before a change), its dq-overlay runs beside, and
# the ratios of the two are reported.
#
#   bench/tools/first_frame.sh [BUILD_DIR [OTHER_BUILD_DIR]]     (default: build/linux)
#   RUNS=5 bench/tools/first_frame.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build/linux}" && pwd)"
other="${2:+$(cd "$2" && pwd)}"
runs="${RUNS:-3}"
counts=(1000 100000 1000000)

checker="$build/bin/dq-script"
[[ -x "$checker" ]] || { echo "error: $checker is missing; build it first (make build)" >&2; exit 1; }
tools=("$build/bin/dq-overlay")
[[ -n "$other" ]] && tools+=("$other/bin/dq-overlay")
for tool in "${tools[@]}"; do
    [[ -x "$tool" ]] || { echo "error: $tool is missing; build it first (make build)" >&2; exit 1; }
done
"$root/scripts/install-deps.sh" <(sed -n 's/^#bench //p' "$root/scripts/packages.txt")

work="$(mktemp -d "${TMPDIR:-/tmp}/dq-first-frame.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

head -c $((1920 * 1080 * 3)) /dev/zero > frame.bgr
# Two-line subtitles of 2 s every 3 s, in the native format.
for n in "${counts[@]}"; do
    awk -v n="$n" 'BEGIN {
        print "@resolution 1920x1080"
        for (i = 0; i < n; ++i)
            printf "%d +2 | Subtitle number %d\\nand its second line\n", i * 3, i
    }' > "cues-$n.txt"
done

# "seconds peak_kib" of one run.
one_run() {
    local tool="$1" script="$2" start end
    start=$EPOCHREALTIME
    /usr/bin/time -f %M -o rss.txt "$tool" --quiet --size 1920x1080 --rate 30 --frames 1 \
        --script "$script" frame.bgr /dev/null || { echo "error: $tool failed" >&2; exit 1; }
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" -v m="$(cat rss.txt)" 'BEGIN { printf "%.3f %d\n", b - a, m }'
}

# Seconds of one load alone.
one_load() {
    local start end
    start=$EPOCHREALTIME
    "$checker" check --size 1920x1080 "$1" || { echo "error: $checker failed" >&2; exit 1; }
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

declare -A seconds memory load
for (( r = 0; r < runs; ++r )); do
    for n in "${counts[@]}"; do
        load[$n]+="$(one_load "cues-$n.txt") "
        for k in "${!tools[@]}"; do
            read -r s m < <(one_run "${tools[$k]}" "cues-$n.txt")
            seconds[$k,$n]+="$s "
            memory[$k,$n]+="$m "
        done
    done
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "dq-overlay, time to the first frame (one 1920x1080 frame written), median of $runs rounds"
printf '  %-10s %10s %10s %10s %10s' "cues" "seconds" "peak MB" "one load" "/ load"
[[ -n "$other" ]] && printf ' %12s %10s %14s' "other s" "other MB" "other / this"
echo
for n in "${counts[@]}"; do
    s0=$(median <<< "${seconds[0,$n]}")
    m0=$(median <<< "${memory[0,$n]}")
    l0=$(median <<< "${load[$n]}")
    printf '  %-10s %10.3f %10.0f %10.3f %9.2fx' "$n" "$s0" \
        "$(awk -v m="$m0" 'BEGIN { print m / 1024 }')" "$l0" \
        "$(awk -v a="$s0" -v b="$l0" 'BEGIN { print a / b }')"
    if [[ -n "$other" ]]; then
        s1=$(median <<< "${seconds[1,$n]}")
        m1=$(median <<< "${memory[1,$n]}")
        printf ' %12.3f %10.0f %13.2fx' "$s1" "$(awk -v m="$m1" 'BEGIN { print m / 1024 }')" \
            "$(awk -v a="$s1" -v b="$s0" 'BEGIN { print a / b }')"
    fi
    echo
done

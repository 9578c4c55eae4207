#!/bin/sh
# Runs each fuzz target of a DQ_FUZZ build for a number of seconds, one after the other.
#   fuzz/run-fuzzers.sh BUILD_DIR SECONDS
# New inputs go to BUILD_DIR/corpus/<area> (the seeds in fuzz/corpus stay as they are); a crash
# is written to BUILD_DIR/findings/ and stops the run: copy it into fuzz/regressions/<area>
# once it is fixed.
set -eu
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="suppressions=$here/../tests/sanitizers/lsan_suppressions.txt"
export G_SLICE=always-malloc
export DQ_REGISTRY="$build/fuzz.registry.db"
mkdir -p "$build/findings"
for area in script persist_stream; do
    mkdir -p "$build/corpus/$area"
    dict=""
    [ -f "$here/$area.dict" ] && dict="-dict=$here/$area.dict"
    echo "fuzzing $area for $seconds s"
    "$build/bin/${area}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 $dict \
        -artifact_prefix="$build/findings/$area-" \
        "$build/corpus/$area" "$here/corpus/$area" "$here/regressions/$area"
done

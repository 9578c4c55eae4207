#!/bin/sh
# The demo that `make demo` runs: makes a short clip from generated frames (nothing is
# downloaded), runs it through the DirectQuorbit filter with dq-overlay and the example script,
# and writes out/demo.mp4 and a few PNG stills.
#   examples/run-demo.sh [BUILD_DIR]     (default: build/linux)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
bin="${1:-$root/build/linux}/bin"
cd "$root"
mkdir -p out
if [ ! -s out/demo-input.mp4 ]; then
    echo "Making the input: out/demo-input.mp4 (1280x720, 30 fps, 15 s, with a beep every second)"
    "$bin/dq-make-clip" out/demo-input.mp4 --size 1280x720 --rate 30 --seconds 15
fi
echo "Running the overlay: dq-overlay --script examples/demo.txt out/demo-input.mp4 out/demo.mp4"
"$bin/dq-overlay" --script examples/demo.txt out/demo-input.mp4 out/demo.mp4
for t in 2 5.5 10.15 12.5; do
    "$bin/dq-overlay" --quiet --script examples/demo.txt --start "$t" out/demo-input.mp4 \
        "out/demo-${t}s.png"
done
echo "Written: out/demo.mp4 and out/demo-2s.png, out/demo-5.5s.png, out/demo-10.15s.png," \
     "out/demo-12.5s.png"

#!/bin/sh
# How much faster frames render side by side: 8 frames of the example
# animation with `--jobs 1`, then with `--jobs 2`, at a size where one frame
# takes about a second. POV-Ray gets one thread per frame ("+WT1" in a settings
# file of the run's own), or the comparison would measure its threads instead
# of the frames. Run by hand (not by CTest):
#
#   bench/frame_speedup.sh [KALVEX] [WIDTH HEIGHT]
#
# Prints both wall times and their ratio; on two free cores the ratio should be
# at most 0.6.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
kalvex=${1:-$here/build/release/bin/kalvex}
width=${2:-1600}
height=${3:-1200}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
sed 's/^maxframes 3/maxframes 8/' "$here/examples/rolling_ball.cad" > "$work/ball.cad"
printf '[Render]\nRenderFlags=+WT1\n' > "$work/kalvex.ini"
KALVEX_CONFIG="$work/kalvex.ini"
export KALVEX_CONFIG

now() { date +%s.%N; }

# Seconds the 8 frames take with $1 jobs at once.
frames_with() {
    rm -f "$work"/Rolling*
    start=$(now)
    "$kalvex" --render "$work/ball.cad" --frames 0-7 --jobs "$1" \
        --width "$width" --height "$height" --quality 9 > "$work/jobs$1.log" 2>&1 || {
        echo "frame_speedup: --jobs $1 failed:" >&2
        tail -n 20 "$work/jobs$1.log" >&2
        exit 1
    }
    end=$(now)
    echo "$start $end" | awk '{ printf "%.2f\n", $2 - $1 }'
}

one=$(frames_with 1)
two=$(frames_with 2)
echo "8 frames of ${width}x${height}, one POV-Ray thread each"
echo "--jobs 1: ${one} s"
echo "--jobs 2: ${two} s"
echo "$one $two" | awk '{ printf "ratio: %.2f\n", $2 / $1 }'

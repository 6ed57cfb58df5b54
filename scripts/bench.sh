#!/usr/bin/env bash
# Builds Vellmark (preset ci) and runs the benchmarks; they print figures and
# never pass or fail on a time. Figures of a full run: bench/RESULTS.md.
#   scripts/bench.sh [seconds of the tick-accuracy run] [seconds of the target-count run]
#   (defaults 120 and 600)
# The output window is measured on an offscreen 3840 x 2160 screen next to a
# 1920 x 1080 operator screen (bench/data/screen-4k.json).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-120}
target_seconds=${2:-600}
cmake --preset ci >/dev/null
cmake --build --preset ci

export QT_QPA_PLATFORM="offscreen:configfile=$PWD/bench/data/screen-4k.json"
build/ci/bench/bench_tickaccuracy "$seconds"
build/ci/bench/bench_tickcost 2000
build/ci/bench/bench_startup build/ci/src/app/vellmark 60
build/ci/bench/bench_targetcount "$target_seconds"
# The sound cue, heard on a private PulseAudio null sink, through both of Qt's
# media back ends.
for backend in gstreamer ffmpeg; do
    QT_MEDIA_BACKEND=$backend build/ci/bench/bench_cuelatency 6 11
done

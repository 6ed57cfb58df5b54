#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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
# Start-up side by side with a bare two-window program, on its own Xvfb and
# PulseAudio server; then the program's own steps, timed one by one.
build/ci/bench/bench_startup 10 60
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" build/ci/bench/bench_startupstages 9
build/ci/bench/bench_targetcount "$target_seconds"
# The sound cue, heard on a private PulseAudio null sink, through both of Qt's
# media back ends.
for backend in gstreamer ffmpeg; do
    QT_MEDIA_BACKEND=$backend build/ci/bench/bench_cuelatency 6 11
done
build/ci/bench/bench_remote 500

# Browser views in Debian's Chromium: the npm packages of the view tests first.
(cd build/ci/tests/webview && [[ -d node_modules ]] || npm ci --no-audit --no-fund --loglevel=error)
build/ci/bench/bench_webview node build/ci/tests/webview/webviews.mjs 30

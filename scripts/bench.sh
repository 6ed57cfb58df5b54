#!/usr/bin/env bash
# Builds Vellmark (preset ci) and runs the benchmarks; they print figures and
# never pass or fail on a time. Figures of a full run: bench/RESULTS.md.
#   scripts/bench.sh [seconds of the tick-accuracy run]   (default 120)
# The output window is measured on an offscreen 3840 x 2160 screen next to a
# 1920 x 1080 operator screen (bench/data/screen-4k.json).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-120}
cmake --preset ci >/dev/null
cmake --build --preset ci

export QT_QPA_PLATFORM="offscreen:configfile=$PWD/bench/data/screen-4k.json"
build/ci/bench/bench_tickaccuracy "$seconds"
build/ci/bench/bench_tickcost 2000
build/ci/bench/bench_startup build/ci/src/app/vellmark 60
build/ci/bench/bench_remote 500

# Browser views in Debian's Chromium: the npm packages of the view tests first.
(cd build/ci/tests/webview && [[ -d node_modules ]] || npm ci --no-audit --no-fund --loglevel=error)
build/ci/bench/bench_webview node build/ci/tests/webview/webviews.mjs 30

#!/usr/bin/env bash
# Renders the screenshots in docs/screenshots from the real windows of this
# build (on Qt's offscreen platform, with a private settings store, fixed
# screens, fonts and clock), for the README and the software centres.
# The test "screenshots" fails when the committed ones are out of date.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset ci >/dev/null
cmake --build --preset ci --target vellmark-screenshots
build/ci/tools/screenshots/vellmark-screenshots docs/screenshots

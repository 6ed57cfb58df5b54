#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the screenshots in docs/screenshots from the real windows of this
# build (on Qt's offscreen platform, with a private settings store, fixed
# screens, fonts and clock), for the README and the software centres.
# The test "screenshots" fails when the committed ones are out of date.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset ci >/dev/null
cmake --build --preset ci --target vellmark-screenshots
build/ci/tools/screenshots/vellmark-screenshots docs/screenshots

# What a VNC viewer shows of the first run on a machine without a display
# (a real X server with the program's live clock, so it differs every time).
cmake --build --preset ci --target vellmark
bash tests/app/check-headless.sh build/ci/src/app/vellmark docs/screenshots/vnc/first-run.png

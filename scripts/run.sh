#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a fresh Debian 12 machine, builds Vellmark and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake --preset release
# Only the program: the tests and benchmarks are built by scripts/test.sh.
cmake --build --preset release --target vellmark
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    exec bash scripts/headless.sh build/release/src/app/vellmark "$@"
fi
exec build/release/src/app/vellmark "$@"

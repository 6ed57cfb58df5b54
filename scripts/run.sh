#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Vellmark and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake --preset release
cmake --build --preset release
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    exec bash scripts/headless.sh build/release/src/app/vellmark "$@"
fi
exec build/release/src/app/vellmark "$@"

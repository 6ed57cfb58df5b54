#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Vellmark and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake --preset release
cmake --build --preset release
exec build/release/src/app/vellmark "$@"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a fresh Debian 12 machine, builds Vellmark and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake --preset ci
cmake --build --preset ci
# Several tests drive real X servers, a browser and a sound server on two shared
# cores; a test that fails is run once more, and a test that fails twice fails
# the run (CTest names every test that needed the second run).
ctest --preset ci -j2 --repeat until-pass:2

# The same suite once more under AddressSanitizer, UndefinedBehaviorSanitizer
# and LeakSanitizer (suppressions for system libraries: tests/lsan.supp).
cmake --preset asan
cmake --build --preset asan
ctest --preset asan -j2 --repeat until-pass:2

# A short, repeatable run of every fuzz target (clang, libFuzzer): a fixed
# number of inputs from a fixed seed. Longer runs: scripts/fuzz.sh <seconds>.
FUZZ_RUNS=4000 bash scripts/fuzz.sh

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The packaged program starts and quits cleanly on SIGTERM (exit code 0).
#
# With CI=true (a throwaway machine, run as root) the package is installed for
# real with dpkg -i and removed again afterwards; anywhere else it is unpacked
# with dpkg-deb -x into a temporary root, so running the tests never changes
# the system.
# Usage: check-deb-runs.sh <work dir holding vellmark.deb>
set -euo pipefail
work=$1
deb=$work/vellmark.deb
[[ -f $deb ]] || { echo "FAIL: no package at $deb" >&2; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }

if [[ ${CI:-} == true ]]; then
    [[ $(id -u) -eq 0 ]] || fail "CI=true needs root to install the package"
    dpkg -i "$deb" >/dev/null || fail "dpkg -i refused the package"
    trap 'dpkg -r vellmark >/dev/null' EXIT
    program=/usr/bin/vellmark
    echo "installed with dpkg -i"
else
    root=$work/root
    rm -rf "$root"
    dpkg-deb -x "$deb" "$root"
    program=$root/usr/bin/vellmark
    echo "unpacked with dpkg-deb -x into $root"
fi

# A private home, so the run neither reads nor writes anyone's settings.
home=$(mktemp -d)
trap 'rm -rf "$home"; [[ ${CI:-} == true ]] && dpkg -r vellmark >/dev/null || true' EXIT
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home "$program" 2>"$home/stderr" &
pid=$!

# Still running 2 s after start: it built its windows and entered its loop.
for _ in $(seq 20); do
    if ! kill -0 "$pid" 2>/dev/null; then
        status=0
        wait "$pid" || status=$?
        fail "the program ended by itself (exit code $status) before it was asked to quit"
    fi
    sleep 0.1
done

kill -TERM "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "the program did not quit within 10 s of SIGTERM"
fi
status=0
wait "$pid" || status=$?
((status == 0)) || fail "the program quit with exit code $status after SIGTERM (143 means it was killed, not quit)"
cat "$home/stderr" >&2
# The sound cue's player plug-in came up from where the package put it.
! grep -q "its player could not be loaded" "$home/stderr" ||
    fail "the installed program did not find its sound player plug-in"
echo "started, and quit with exit code 0 after SIGTERM"

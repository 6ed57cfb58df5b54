#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The operator's keyboard on a real X server (Xvfb) with a window manager
# (openbox): the program is started as an operator starts it, a real Space
# (xdotool) goes to whatever window has the keyboard focus, and the time
# preview must start running; again after the output window has been hidden
# and shown with the toggle button. Under the sanitizer build the run also fails
# on any AddressSanitizer or UndefinedBehaviorSanitizer report of the program.
# Usage: tst_keyboardfocus.sh <path of the vellmark program>
set -euo pipefail
program=$1
work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; wait "${pids[i]}" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    shot=${TMPDIR:-/tmp}/tst_keyboardfocus-failure.png
    [[ -n ${DISPLAY:-} ]] && import -window root "$shot" 2>/dev/null && echo "screen at failure: $shot" >&2
    exit 1
}
# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() {
    local tenths=$1; shift
    for ((i = 0; i < tenths; i++)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

# The X server picks a free display number itself, so test runs and other X
# servers on the machine never collide.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 100 grep -q . "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
mkdir -p "$work/home/.config" "$work/run" && chmod 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY SESSION_MANAGER

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 100 sh -c 'xprop -root -notype _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    fail "openbox did not take over the screen: $(cat "$work/openbox.log")"

"$program" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")
control=$(timeout 30 xdotool search --sync --onlyvisible --name 'Vellmark .* Control' | head -n1) ||
    fail "the control window did not appear"
timeout 30 xdotool search --sync --onlyvisible --name 'Vellmark .* Output' >/dev/null ||
    fail "the output window did not appear"

# The window manager settles focus after both windows are mapped: wait until
# the focus (as the X server has it) has stayed on one window for a second.
settle() {
    local last="" same=0 n now
    for ((n = 0; n < 100 && same < 10; n++)); do
        now=$(xdotool getwindowfocus 2>/dev/null || echo none)
        [[ $now == "$last" ]] && same=$((same + 1)) || same=0
        last=$now
        sleep 0.1
    done
}
# Whether the control window's time preview (the band under the header)
# changes over a second and a half.
preview() {
    import -window "$control" -crop 400x70+80+55 +repage "$work/preview.png" 2>/dev/null &&
        identify -format '%#' "$work/preview.png"
}
preview_running() { local a; a=$(preview); sleep 1.6; [[ $a != "$(preview)" ]]; }
# One real Space from the keyboard, to whatever has the focus, and the state it
# must lead to.
space_gives() {
    local want=$1 what=$2 focus state=stopped
    focus=$(xdotool getwindowfocus getwindowname 2>/dev/null || echo "(none)")
    xdotool key space
    sleep 0.3
    preview_running && state=running
    [[ $state == "$want" ]] || fail "$what: after Space the timer is $state, expected $want (focus on \"$focus\")"
    [[ $focus == "Vellmark — Control" ]] || fail "$what: the keyboard focus is on \"$focus\", not on the control window"
    echo "ok: $what: focus on the control window, Space leaves the timer $state"
}

settle
preview_running && fail "the timer runs before any key was pressed"
space_gives running "at start-up"
space_gives stopped "at start-up, a second Space"

# The full-width toggle button at the bottom of the control window, clicked
# near its right end (on one screen the output may cover its lower left).
eval "$(xdotool getwindowgeometry --shell "$control")"
toggle() { xdotool mousemove --window "$control" $((WIDTH - 40)) $((HEIGHT - 25)) click 1; }
toggle
wait_for 50 sh -c '! xdotool search --onlyvisible --name "Vellmark .* Output" | grep -q .' ||
    fail "the toggle button did not hide the output window"
toggle
timeout 10 xdotool search --sync --onlyvisible --name 'Vellmark .* Output' >/dev/null ||
    fail "the toggle button did not show the output window again"
xdotool mousemove 0 0
settle
space_gives running "after hiding and showing the output window"

kill -TERM "$program_pid"
wait "$program_pid" 2>/dev/null || true
grep -E "ERROR: AddressSanitizer|runtime error:" "$work/program.log" >&2 &&
    fail "the program reported memory or undefined-behaviour errors"
echo "PASS"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The operator's keyboard on a real X server with a window manager: the program
# is started as an operator starts it, a real Space goes to whatever window has
# the keyboard focus, and the time preview must start running; again after the
# output window has been hidden and shown with the toggle button.
#
# Usage: tst_keyboardfocus.sh <path of the vellmark program>
# Needs Xvfb, openbox, xdotool, xprop and ImageMagick (scripts/setup.sh).
set -euo pipefail

program=$1
work=$(mktemp -d)
pids=()

cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [[ -n ${DISPLAY:-} ]]; then
        import -window root "$work/screen.png" 2>/dev/null &&
            cp "$work/screen.png" "${TMPDIR:-/tmp}/tst_keyboardfocus-failure.png" &&
            echo "screen at failure: ${TMPDIR:-/tmp}/tst_keyboardfocus-failure.png" >&2
    fi
    exit 1
}

# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}

# The X server picks a free display number itself, so several test runs and
# other X servers on the machine never collide.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 100 grep -q . "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY

mkdir -p "$work/home/.config" "$work/run"
chmod 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
unset WAYLAND_DISPLAY SESSION_MANAGER
export QT_QPA_PLATFORM=xcb

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 100 xprop -root -notype _NET_SUPPORTING_WM_CHECK ||
    fail "openbox did not start: $(cat "$work/openbox.log")"
wait_for 50 sh -c 'xprop -root -notype _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    fail "openbox did not take over the screen"

"$program" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")

control=$(timeout 30 xdotool search --sync --onlyvisible --name 'Vellmark .* Control' | head -n1) ||
    fail "the control window did not appear"
timeout 30 xdotool search --sync --onlyvisible --name 'Vellmark .* Output' >/dev/null ||
    fail "the output window did not appear"

# The window with the keyboard focus, as the X server has it (the window
# manager's _NET_ACTIVE_WINDOW may lag or differ).
active_name() { xdotool getwindowfocus getwindowname 2>/dev/null || echo "(none)"; }

# The window manager settles focus after both windows are mapped: wait until
# the focus has stayed on one window for a second.
settle() {
    local last="" same=0 n now
    for ((n = 0; n < 100 && same < 10; n++)); do
        now=$(xdotool getwindowfocus 2>/dev/null || echo none)
        if [[ $now == "$last" ]]; then same=$((same + 1)); else same=0; fi
        last=$now
        sleep 0.1
    done
}

# The control window's time preview: the band under the header, as a checksum
# of its pixels.
preview() {
    import -window "$control" -crop 400x70+80+55 +repage "$work/preview.png" 2>/dev/null &&
        identify -format '%#' "$work/preview.png"
}

# Whether the preview changes over a second and a half.
preview_running() {
    local a b
    a=$(preview)
    sleep 1.6
    b=$(preview)
    [[ $a != "$b" ]]
}

# One real Space from the keyboard, to whatever has the focus, and the state
# it must lead to.
space_gives() {
    local want=$1 what=$2 focus state
    focus=$(active_name)
    xdotool key space
    sleep 0.3
    if preview_running; then state=running; else state=stopped; fi
    [[ $state == "$want" ]] ||
        fail "$what: after Space the timer is $state, expected $want (focus on \"$focus\")"
    [[ $focus == "Vellmark — Control" ]] ||
        fail "$what: the keyboard focus is on \"$focus\", not on the control window"
    echo "ok: $what: focus on the control window, Space leaves the timer $state"
}

settle
preview_running && fail "the timer runs before any key was pressed"
space_gives running "at start-up"
space_gives stopped "at start-up, a second Space"

# Hide and show the output window with the full-width toggle button at the
# bottom of the control window, clicked near its right end (on one screen the
# output window may cover the control window's lower left).
eval "$(xdotool getwindowgeometry --shell "$control")"
toggle() {
    xdotool mousemove --window "$control" $((WIDTH - 40)) $((HEIGHT - 25)) click 1
}
toggle
wait_for 50 sh -c '! xdotool search --onlyvisible --name "Vellmark .* Output" | grep -q .' ||
    fail "the toggle button did not hide the output window"
toggle
timeout 10 xdotool search --sync --onlyvisible --name 'Vellmark .* Output' >/dev/null ||
    fail "the toggle button did not show the output window again"
xdotool mousemove 0 0
settle
space_gives running "after hiding and showing the output window"

# The program ends on SIGTERM as on closing its window; a sanitizer build
# reports memory and undefined-behaviour errors on the way (leaks of the
# system's libraries are not this test's business).
kill -TERM "$program_pid"
wait "$program_pid" 2>/dev/null || true
if grep -E "ERROR: AddressSanitizer|runtime error:" "$work/program.log" >&2; then
    fail "the program reported memory or undefined-behaviour errors"
fi
echo "PASS"

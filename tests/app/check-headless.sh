#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the program the way scripts/run.sh does on a machine without a display
# (scripts/headless.sh) and checks what a person sees through the VNC viewer:
# two screens side by side, the control window on the operator's screen with
# the keyboard, the output full-screen on the 1920 × 1080 stage screen, the
# VNC server answering on localhost only; remote control answering (its
# plug-in loaded into the real program); that the output leaves with the
# stage screen and comes back with it; that a real Space (xdotool) goes to the
# control window and starts and stops the count, also after the output was
# hidden and shown with the toggle button; and that stopping it leaves nothing
# behind, with no AddressSanitizer or UndefinedBehaviorSanitizer report under
# the sanitizer build. With a second argument, saves a picture of the desktop.
# Usage: check-headless.sh <program> [screenshot.png]
set -euo pipefail
program=$1 screenshot=${2:-}
root=$(cd "$(dirname "$0")/../.." && pwd)

work=$(mktemp -d)
runner=""
# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() {
    local tenths=$1; shift
    for ((i = 0; i < tenths; i++)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}
running() { kill -0 "$runner" 2>/dev/null; }
finish() {
    [[ -n $runner ]] && { kill -TERM "$runner" 2>/dev/null; wait_for 100 eval '! running'; kill -KILL "$runner" 2>/dev/null; }
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*" >&2; sed 's/^/  run: /' "$work/run.log" >&2; exit 1; }

# A private settings store, so the run starts from the defaults, but for a
# remote port of its own (tests run side by side) and no OSC.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
remotePort=$((20000 + RANDOM % 20000))
mkdir -p "$XDG_CONFIG_HOME/Vellmark"
printf 'remotePort=%s\noscEnabled=false\n' "$remotePort" >"$XDG_CONFIG_HOME/Vellmark/Vellmark.conf"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

bash "$root/scripts/headless.sh" "$program" >"$work/run.log" 2>&1 &
runner=$!

# The display and VNC port it chose, from what it tells the person at the terminal.
wait_for 300 eval 'grep -q "VNC server at" "$work/run.log" || ! running'
running || fail "headless.sh ended before the program started"
display=$(grep -o 'display :[0-9]*' "$work/run.log" | cut -d' ' -f2 || true)
port=$(grep -o 'localhost:[0-9]*' "$work/run.log" | head -1 | cut -d: -f2 || true)
[[ -n $display && -n $port ]] || fail "no display or VNC port announced"
export DISPLAY=$display

visibleWindow() { timeout 10 xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true; }
bothMapped() { control=$(visibleWindow 'Vellmark — Control') output=$(visibleWindow 'Vellmark — Output'); [[ -n $control && -n $output ]]; }
wait_for 300 bothMapped || fail "both windows should be mapped"
# Let the window manager finish placing and focusing.
sleep 1

# "0: +*DUMMY0 1600/423x900/238+0+0  DUMMY0" → "1600 900 0 0"
monitors=$(xrandr --listmonitors | sed -n 's|^ *[0-9]*: [^ ]* \([0-9]*\)/[0-9]*x\([0-9]*\)/[0-9]*+\([0-9]*\)+\([0-9]*\).*|\1 \2 \3 \4|p')
[[ $(wc -l <<<"$monitors") -eq 2 ]] || fail "two monitors expected, found: $monitors"
read -r opW opH opX opY <<<"$(sed -n 1p <<<"$monitors")"
read -r stW stH stX stY <<<"$(sed -n 2p <<<"$monitors")"
[[ "$stW $stH" == "1920 1080" ]] || fail "stage screen is ${stW}x$stH, not 1920x1080"
((stX >= opX + opW)) || fail "stage screen should be right of the operator screen"

geometry() { # x y width height of a window, on the desktop
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /^ *Width/{w=$NF} /^ *Height/{h=$NF} END{print x, y, w, h}'
}
read -r x y w h <<<"$(geometry "$output")"
[[ "$x $y $w $h" == "$stX $stY $stW $stH" ]] ||
    fail "output window at $x,$y ${w}x$h, not covering the stage screen"
xprop -id "$output" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN ||
    fail "output window is not full-screen"
# Both carry the program's icon for task bars and window lists.
hasIcons() { xprop -id "$control" _NET_WM_ICON | grep -q 'Icon (16 x 16)' &&
    xprop -id "$output" _NET_WM_ICON | grep -q 'Icon (128 x 128)'; }
wait_for 100 hasIcons || fail "both windows should carry the program's icon"
# The server keeps the connection open: whatever came within a second counts.
remoteState() { local got; got=$( (exec 4<>"/dev/tcp/127.0.0.1/$remotePort" &&
    printf 'GET /api/v1/state HTTP/1.0\r\n\r\n' >&4 && timeout 1 cat <&4) 2>/dev/null || true)
    [[ $got == *'"look"'* ]]; }
wait_for 100 remoteState || fail "remote control does not answer on port $remotePort"
read -r x y w h <<<"$(geometry "$control")"
((x >= opX && y >= opY && x + w <= opX + opW && y + h <= opY + opH)) ||
    fail "control window at $x,$y ${w}x$h, not within the operator screen"

active=$(xprop -root _NET_ACTIVE_WINDOW | grep -o '0x[0-9a-f]*' || true)
((active == control)) || fail "the control window should have the keyboard (active: $active)"

# The VNC server speaks RFB on localhost, and listens nowhere else.
exec 3<>"/dev/tcp/127.0.0.1/$port" || fail "VNC server not reachable on localhost:$port"
read -r -t 5 banner <&3 || true
exec 3<&-
[[ $banner == RFB* ]] || fail "no VNC greeting on localhost:$port (got '$banner')"
if command -v ss >/dev/null; then
    ss -Hltn "sport = :$port" | awk '{print $4}' | grep -vq '^127\.0\.0\.1:\|^\[::1\]:' &&
        fail "VNC server listens beyond localhost: $(ss -Hltn "sport = :$port")"
fi

[[ -n $screenshot ]] && import -window root "$screenshot"

# Whether the control window's time preview (the band under the header)
# changes over a second and a half.
preview() { import -window "$control" -crop 400x70+80+55 +repage png:- 2>/dev/null | identify -format '%#' -; }
running_count() { local a; a=$(preview); sleep 1.6; [[ $a != "$(preview)" ]]; }
# One real Space from the keyboard, to whatever has the focus, and the state
# the count must be left in.
space_gives() {
    local want=$1 what=$2 focus state=stopped
    focus=$(xdotool getwindowfocus getwindowname 2>/dev/null || echo "(none)")
    xdotool key space
    sleep 0.3
    running_count && state=running
    [[ $focus == "Vellmark — Control" ]] || fail "$what: the keyboard focus is on \"$focus\", not on the control window"
    [[ $state == "$want" ]] || fail "$what: after Space the count is $state, expected $want"
}
running_count && fail "the count runs before any key was pressed"
space_gives running "at start-up"
space_gives stopped "at start-up, a second Space"
# The full-width toggle button at the bottom of the control window.
eval "$(xdotool getwindowgeometry --shell "$control")"
toggle() { xdotool mousemove --window "$control" $((WIDTH - 40)) $((HEIGHT - 25)) click 1; }
toggle
wait_for 50 eval '[[ -z $(visibleWindow "Vellmark — Output") ]]' || fail "the toggle button did not hide the output window"
toggle
wait_for 100 eval '[[ -n $(visibleWindow "Vellmark — Output") ]]' || fail "the toggle button did not show the output window again"
xdotool mousemove 0 0
sleep 1
space_gives running "after hiding and showing the output window"

# The stage screen's cable is pulled and plugged back in, as the desktop sees
# it: its output switched off, then on again.
timeout 20 xrandr --output DUMMY1 --off || fail "xrandr could not switch the stage screen off"
wait_for 100 eval '[[ -z $(visibleWindow "Vellmark — Output") ]]' || fail "output window still shown after its screen went"
[[ -n $(visibleWindow 'Vellmark — Control') ]] || fail "control window gone with the stage screen"
timeout 20 xrandr --output DUMMY1 --mode 1920x1080 --pos "${stX}x$stY" ||
    fail "xrandr could not switch the stage screen on again"
wait_for 100 eval '[[ -n $(visibleWindow "Vellmark — Output") ]]' || fail "output window not back with its screen"
sleep 1
read -r x y w h <<<"$(geometry "$output")"
[[ "$x $y $w $h" == "$stX $stY $stW $stH" ]] ||
    fail "output window at $x,$y ${w}x$h after the stage screen came back, not covering it"
active=$(xprop -root _NET_ACTIVE_WINDOW | grep -o '0x[0-9a-f]*' || true)
((active == control)) || fail "the output's return took the keyboard (active: $active)"

# Stopping the run stops everything it started, promptly.
kill -TERM "$runner"
wait_for 300 eval '! running' || { ps -o pid,stat,etime,args --ppid "$runner" >&2; fail "the run had not stopped 30 s after SIGTERM"; }
wait "$runner" || true
runner=""
number=${display#:}
wait_for 100 eval '[[ ! -e /tmp/.X$number-lock && ! -e /tmp/.X11-unix/X$number ]]' || true
[[ ! -e /tmp/.X$number-lock ]] || fail "X server of $display still running after the stop"
(exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && fail "VNC server still running after the stop"
grep -E "ERROR: AddressSanitizer|runtime error:" "$work/run.log" >&2 &&
    fail "the program reported memory or undefined-behaviour errors"
echo "PASS: control window on the operator screen with the keyboard and Space, output full-screen on the stage screen, gone with it and back"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a program on a machine without a display, set out as on stage: a
# virtual X server (Xorg's dummy video driver) with two monitors side by side
# forming one desktop, an operator screen of 1600 × 900 on the left and a
# 1920 × 1080 stage screen on the right, a small window manager (openbox), and
# a VNC server (x11vnc) listening on this machine only, so a person can see and
# drive it with any VNC viewer (from another machine through an SSH tunnel).
# Stops all of them when the program ends.
# Usage: headless.sh <program> [arguments...]
set -euo pipefail

for tool in Xorg xrandr xsetroot xprop openbox x11vnc; do
    command -v "$tool" >/dev/null || {
        echo "No display found, and $tool to show Vellmark without one is missing (run scripts/setup.sh)." >&2
        exit 1
    }
done

# A free X display number and a free VNC port.
display=99
while [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]]; do display=$((display + 1)); done
port=5900
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done

workdir=$(mktemp -d)
xorgPid="" wmPid="" vncPid=""
cleanup() {
    for pid in $vncPid $wmPid $xorgPid; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$workdir"
}
trap cleanup EXIT

# Room for both monitors in the dummy card's memory; no real input devices are
# taken over (VNC and the tests send input through the XTEST extension).
cat >"$workdir/xorg.conf" <<'EOF'
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
EndSection
Section "Device"
    Identifier "card"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "card"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 3520 1080
    EndSubSection
EndSection
EOF

Xorg ":$display" -config "$workdir/xorg.conf" -logfile "$workdir/xorg.log" -noreset -nolisten tcp \
    >"$workdir/xorg.out" 2>&1 &
xorgPid=$!
for _ in $(seq 100); do
    [[ -e /tmp/.X11-unix/X$display ]] && break
    kill -0 "$xorgPid" 2>/dev/null || { cat "$workdir/xorg.out" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=":$display"

# The dummy card's first output is the operator screen; its second one is
# switched on as the stage screen to its right.
xrandr --addmode DUMMY1 1920x1080
xrandr --output DUMMY0 --mode 1600x900 --pos 0x0 --primary \
    --output DUMMY1 --mode 1920x1080 --pos 1600x0
# A grey desktop, so the operator screen stands apart from the black stage.
xsetroot -solid '#3a3a3a'

openbox >"$workdir/openbox.log" 2>&1 &
wmPid=$!
# Windows mapped before the window manager runs would not be managed by it.
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    kill -0 "$wmPid" 2>/dev/null || { cat "$workdir/openbox.log" >&2; exit 1; }
    sleep 0.1
done

x11vnc -display "$DISPLAY" -localhost -rfbport "$port" -nopw -forever -shared -quiet \
    >"$workdir/x11vnc.log" 2>&1 &
vncPid=$!
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    kill -0 "$vncPid" 2>/dev/null || { cat "$workdir/x11vnc.log" >&2; exit 1; }
    sleep 0.1
done

echo "No display found — Vellmark is running on display $DISPLAY (operator screen on the left, stage screen on the right), shown by a VNC server at localhost:$port (connect with any VNC viewer)"
echo "From another machine: ssh -L $port:localhost:$port $(hostname), then connect to localhost:$port. Ctrl+C here stops it."

status=0
QT_QPA_PLATFORM=xcb "$@" &
appPid=$!
trap 'kill -TERM "$appPid" 2>/dev/null' INT TERM HUP
wait "$appPid" || status=$?
# A signal interrupts the first wait; wait again for the program to finish.
while kill -0 "$appPid" 2>/dev/null; do wait "$appPid" || status=$?; done
exit "$status"

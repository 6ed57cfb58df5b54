#!/usr/bin/env bash
# Runs a program on a machine without a display: on a virtual X screen (Xvfb)
# that is shared by a VNC server (x11vnc) listening on this machine only, so a
# person can see and drive it with any VNC viewer (from another machine through
# an SSH tunnel). Stops both when the program ends.
# Usage: headless.sh <program> [arguments...]
set -euo pipefail

for tool in Xvfb x11vnc; do
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

logdir=$(mktemp -d)
xvfbPid="" vncPid=""
cleanup() {
    [[ -n $vncPid ]] && kill "$vncPid" 2>/dev/null
    [[ -n $xvfbPid ]] && kill "$xvfbPid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$logdir"
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp >"$logdir/xvfb.log" 2>&1 &
xvfbPid=$!
for _ in $(seq 100); do
    [[ -e /tmp/.X11-unix/X$display ]] && break
    kill -0 "$xvfbPid" 2>/dev/null || { cat "$logdir/xvfb.log" >&2; exit 1; }
    sleep 0.1
done

x11vnc -display ":$display" -localhost -rfbport "$port" -nopw -forever -shared -quiet \
    >"$logdir/x11vnc.log" 2>&1 &
vncPid=$!
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    kill -0 "$vncPid" 2>/dev/null || { cat "$logdir/x11vnc.log" >&2; exit 1; }
    sleep 0.1
done

echo "No display found — Vellmark is running on a VNC server at localhost:$port (connect with any VNC viewer)"
echo "From another machine: ssh -L $port:localhost:$port $(hostname), then connect to localhost:$port. Ctrl+C here stops it."

status=0
DISPLAY=":$display" QT_QPA_PLATFORM=xcb "$@" &
appPid=$!
trap 'kill -TERM "$appPid" 2>/dev/null' INT TERM HUP
wait "$appPid" || status=$?
# A signal interrupts the first wait; wait again for the program to finish.
while kill -0 "$appPid" 2>/dev/null; do wait "$appPid" || status=$?; done
exit "$status"

#!/bin/sh
# Runs a command on a new virtual X display with a window manager, for the tests that check what a
# user sees there. Exits 77 (skipped) when Xvfb or openbox is not installed.
set -u
if ! command -v Xvfb >/dev/null 2>&1 || ! command -v openbox >/dev/null 2>&1; then
    echo "Xvfb or openbox is not installed: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'kill "$wm" "$server" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
server=$!
wm=
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 200 ] || ! kill -0 "$server" 2>/dev/null; then
        cat "$work/xvfb.log"
        exit 1
    fi
    sleep 0.05
done
DISPLAY=:$(cat "$work/display")
export DISPLAY
openbox --startup "touch $work/ready" >"$work/openbox.log" 2>&1 &
wm=$!
tries=0
until [ -e "$work/ready" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 200 ] || ! kill -0 "$wm" 2>/dev/null; then
        cat "$work/openbox.log"
        exit 1
    fi
    sleep 0.05
done
"$@"

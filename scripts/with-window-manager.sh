#!/bin/sh
# Runs a command on a new virtual X display with a window manager, for the tests that check what a
# user sees there. Exits 77 (skipped) when Xvfb or openbox is not installed.
set -u
if ! command -v Xvfb >/dev/null 2>&1 || ! command -v openbox >/dev/null 2>&1; then
    echo "Xvfb or openbox is not installed: skipped"
    exit 77
fi
# wait_for TEST FILE PID LOG: waits until `test TEST FILE` holds; gives up with the log when the
# process PID has ended or ten seconds have passed.
wait_for() {
    tries=0
    until [ "$1" "$2" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 200 ] || ! kill -0 "$3" 2>/dev/null; then
            cat "$4"
            exit 1
        fi
        sleep 0.05
    done
}
work=$(mktemp -d)
trap 'kill "$wm" "$server" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
server=$!
wm=
wait_for -s "$work/display" "$server" "$work/xvfb.log"
DISPLAY=:$(cat "$work/display")
export DISPLAY
openbox --startup "touch $work/ready" >"$work/openbox.log" 2>&1 &
wm=$!
wait_for -e "$work/ready" "$wm" "$work/openbox.log"
"$@"

#!/usr/bin/env bash
# Makes the screenshots in docs/screenshots/ from the real program: it starts Sorvik on the built-in
# demo network under Xvfb and openbox in a fresh sandbox, drives it with xdotool and saves the main
# window, the profile window, a scan in progress and the send window; then the main window after a
# scan at twice the scale and under a dark desktop palette (a KDE colour scheme, Fusion style).
#
#   scripts/screenshots.sh [SORVIK_EXECUTABLE]      (default: build/sorvik, built when missing)
#
# Needs: scripts/setup.sh build run docs. SORVIK_SHOTS_DISPLAY picks the display number (default 99).
# The clicks are placed from the main window's fixed layout (toolbar buttons 78 pixels wide).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
exe=${1:-build/sorvik}
if [ ! -x "$exe" ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVIK_TESTS=OFF >/dev/null
    cmake --build build --target sorvik
    exe=build/sorvik
fi
exe=$(realpath "$exe")
out=$root/docs/screenshots
mkdir -p "$out"

sandbox=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$sandbox"
}
trap cleanup EXIT

export DISPLAY=:${SORVIK_SHOTS_DISPLAY:-99}
export HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/config XDG_DATA_HOME=$sandbox/data
export SORVIK_DRIVE_C=$sandbox/drive_c SORVIK_DRIVE_A=$sandbox/drive_a
export TZ=UTC LANG=C.UTF-8 LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY QT_QPA_PLATFORM SORVIK_NETWORK
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$SORVIK_DRIVE_C" "$SORVIK_DRIVE_A"
# The window and title bar show the application icon as an installed system would.
for dir in "$root"/data/icons/*/; do
    size=$(basename "$dir")
    mkdir -p "$sandbox/share/icons/hicolor/${size}x$size/apps"
    cp "$dir"/*.png "$sandbox/share/icons/hicolor/${size}x$size/apps/"
done
export XDG_DATA_DIRS=$sandbox/share:/usr/local/share:/usr/share

Xvfb "$DISPLAY" -screen 0 1600x1200x24 -nolisten tcp >"$sandbox/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done
openbox >"$sandbox/openbox.log" 2>&1 &
pids+=($!)
sleep 1

"$exe" profile --set First=Ada --set Last=Lovelace --set Address1="1 Main St" --set City=Springfield \
    --set State=IL --set ZipCode=62701 --set Country="United States" --set Email=ada@acme.example \
    --set Phone=555-0100 --set Company="Acme Tools, Inc." --set SendTo=it@acme.example \
    --set Title="Network Administrator" >/dev/null

"$exe" >"$sandbox/sorvik.log" 2>&1 &
pids+=($!)
sorvik=$!

window() { timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -1; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# The pointer is moved out of the way so that no button is shown hovered.
shot() {
    xdotool mousemove 1599 1199
    sleep 0.3
    import -frame -window "$1" -strip "$out/$2.png"
}

main=$(window '^Orvane Year2000 Sorvik v')
sleep 1

click "$main" 194 35 # Profile
profile=$(window '^Profile')
sleep 0.5
shot "$profile" profile
xdotool key --window "$profile" Escape
sleep 0.5
xdotool search --onlyvisible --name '^Profile' >/dev/null && click "$profile" 272 457 # Cancel

click "$main" 52 88 # Select All
sleep 0.3
click "$main" 331 114 # Scan Servers
window '^Progress' >/dev/null
xdotool mousemove 1599 1199
sleep 2
import -window root -trim +repage -strip "$out/progress.png"

info=$(timeout 60 xdotool search --sync --onlyvisible --name '^Information' | head -1)
xdotool windowactivate --sync "$info" key Return
sleep 1
shot "$main" main-window

click "$main" 351 35 # Send
send=$(window '^Send Year2000')
sleep 0.5
shot "$send" send

# Ends the running window program.
stop() {
    kill "$sorvik" 2>/dev/null || true
    wait "$sorvik" 2>/dev/null || true
}
# Starts the window program again with the given environment, selects all servers and scans them,
# by keyboard: Shift+Tab from "Scan Servers" back to "Select All", Space, Tab back to the scan, Space.
scanned() {
    stop
    env "$@" "$exe" >>"$sandbox/sorvik.log" 2>&1 &
    sorvik=$!
    pids+=($sorvik)
    main=$(window '^Orvane Year2000 Sorvik v')
    sleep 1
    xdotool windowactivate --sync "$main"
    xdotool key --window "$main" shift+Tab shift+Tab shift+Tab space
    sleep 0.3
    xdotool key --window "$main" Tab Tab Tab space
    info=$(timeout 60 xdotool search --sync --onlyvisible --name '^Information' | head -1)
    xdotool windowactivate --sync "$info" key Return
    sleep 1
}

scanned QT_SCALE_FACTOR=2
shot "$main" main-window-2x

# A dark desktop: the colours of a dark KDE colour scheme, which Qt reads by itself.
{
    printf '[KDE]\nwidgetStyle=Fusion\n'
    # group, background, foreground
    for colours in Window:49,54,59:239,240,241 View:35,38,41:239,240,241 Button:49,54,59:239,240,241 \
        Selection:61,174,233:252,252,252 Tooltip:49,54,59:239,240,241; do
        IFS=: read -r group background foreground <<<"$colours"
        printf '[Colors:%s]\nBackgroundNormal=%s\nForegroundNormal=%s\n' "$group" "$background" "$foreground"
    done
} >"$XDG_CONFIG_HOME/kdeglobals"
scanned XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5 QT_QPA_PLATFORMTHEME=kde
shot "$main" main-window-dark
stop

ls -l "$out"

#!/usr/bin/env bash
# Runs a test program on a real X server (Xvfb) with a real window manager (openbox), for
# what offscreen tests cannot see: stacking, frames, positions. Usage:
#   run-under-wm.sh PROGRAM [ARGUMENTS...]
# The server and the window manager are this script's children and end with it.
set -euo pipefail
xvfb_pid=""
wm_pid=""
cleanup() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    return 0
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to the given descriptor.
display_file=$(mktemp)
Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp 9>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.05; done
display=$(head -n 1 "$display_file")
rm -f "$display_file"
[ -n "$display" ] || { echo "run-under-wm: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"

openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
# The window manager is up once it has announced itself on the root window.
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" ||
    { echo "run-under-wm: openbox did not start" >&2; exit 1; }

export QT_QPA_PLATFORM=xcb
"$@"

#!/usr/bin/env bash
# Runs a test program on a real X server (Xvfb) with a real window manager (openbox), for
# what offscreen tests cannot see: stacking, frames, positions. Usage:
#   run-under-wm.sh PROGRAM [ARGUMENTS...]
# The server, the window manager and the test program end with this script, whichever way
# it ends: its exit and the usual signals run the clean-up below, and all three are started
# with a parent-death signal, so that even a SIGKILL of this script (a test runner's time-out)
# leaves nothing behind.
set -euo pipefail
xvfb_pid=""
wm_pid=""
test_pid=""
display_file=""
cleanup() {
    local pid
    for pid in "$test_pid" "$wm_pid" "$xvfb_pid"; do
        [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    [ -n "$display_file" ] && rm -f "$display_file"
    return 0
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# Each child is started through setpriv, which has the kernel send it a signal when this
# script goes away. It must be a direct child (a simple command put in the background, no
# function or subshell around it): the signal follows the parent process.
# Polls a condition until it holds. A loaded machine may take long to start a server, so
# there is no short deadline: the wait ends when the condition holds or the process it
# waits on has died. The ceiling only keeps a hung server from holding the run for ever.
wait_for() {
    local pid=$1
    shift
    local ceiling=$((SECONDS + 300))
    until "$@"; do
        kill -0 "$pid" 2>/dev/null || return 1
        [ "$SECONDS" -lt "$ceiling" ] || return 1
        sleep 0.05
    done
}

# Xvfb picks a free display number and writes it to the given descriptor once it accepts
# connections.
display_file=$(mktemp)
setpriv --pdeathsig KILL -- Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp \
    9>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
wait_for "$xvfb_pid" test -s "$display_file" ||
    { echo "run-under-wm: Xvfb did not start" >&2; exit 1; }
display=$(head -n 1 "$display_file")
export DISPLAY=":$display"

wm_announced() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"
}
setpriv --pdeathsig KILL -- openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
# The window manager is up once it has announced itself on the root window.
wait_for "$wm_pid" wm_announced ||
    { echo "run-under-wm: openbox did not start" >&2; exit 1; }

export QT_QPA_PLATFORM=xcb
setpriv --pdeathsig TERM -- "$@" &
test_pid=$!
status=0
wait "$test_pid" || status=$?
test_pid=""
exit "$status"

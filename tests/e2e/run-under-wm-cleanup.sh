#!/usr/bin/env bash
# The X server, the window manager and the test program that run-under-wm.sh starts end
# with it: when it is stopped by a signal, and when it is killed outright (SIGKILL, as a test
# runner's time-out does), which leaves it no chance to clean up.
set -euo pipefail
wrapper="$(dirname "$0")/run-under-wm.sh"

# True once the process is gone, or is only a zombie waiting to be reaped by init.
ended() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
    [[ "$state" == Z* ]]
}

# Polls a condition; the ceiling only keeps a failure from hanging the run.
wait_for() {
    local ceiling=$((SECONDS + 60))
    until "$@"; do
        [ "$SECONDS" -lt "$ceiling" ] || return 1
        sleep 0.05
    done
}

status=0
# (SIGINT is left out: a program started in the background by a script ignores it.)
for signal in KILL TERM HUP; do
    ready=$(mktemp)
    # The wrapped program says it runs (so the servers are up), then waits for ever.
    "$wrapper" sh -c 'echo up > "$1"; exec sleep 100000' sh "$ready" &
    script=$!
    wait_for test -s "$ready" || { echo "SIG$signal: the wrapped program never ran"; exit 1; }
    children=$(pgrep -P "$script" | tr '\n' ' ')
    kill -"$signal" "$script"
    wait "$script" 2>/dev/null || true
    for pid in $children; do
        if ! wait_for ended "$pid"; then
            echo "SIG$signal: left running: $(ps -o pid=,args= -p "$pid")"
            kill -KILL "$pid" 2>/dev/null || true
            status=1
        fi
    done
    [ "$(wc -w <<<"$children")" -ge 3 ] ||
        { echo "SIG$signal: expected the server, the window manager and the program: $children"; status=1; }
    rm -f "$ready"
done
[ "$status" -eq 0 ] && echo "run-under-wm: nothing outlives the script"
exit "$status"

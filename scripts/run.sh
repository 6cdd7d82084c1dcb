#!/usr/bin/env bash
# Sets up the machine, builds KODA Monitor and starts it. When no serial adapter is
# attached (no /dev/ttyUSB*, /dev/ttyACM*), the instrument simulator koda-sim plays an
# RK-13 lap timer and a QK-11 fuel meter on a pseudo-terminal, and a first start gets
# a configuration that maps COM1 to it. An existing configuration is never changed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
BUILD_DIR=$BUILD_DIR bash scripts/build.sh >/dev/null
program="$BUILD_DIR/src/app/KodaMonitor"
config="$program.ini"

sim_pid=""
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

if ! compgen -G "/dev/ttyUSB*" >/dev/null && ! compgen -G "/dev/ttyACM*" >/dev/null; then
    link="${XDG_RUNTIME_DIR:-/tmp}/koda-sim-$(id -u)"
    # 45 laps stored, a live lap every 5 s and a fuel reading every second.
    "$BUILD_DIR/tools/koda-sim/koda-sim" --rk13 --rk13-id 0x1234 --qk11 --qk11-id 0x5678 \
        --laps 45 --sectors 3 --live-period 5000 --fuel-period 1000 --link "$link" \
        </dev/null >/dev/null &
    sim_pid=$!
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
    echo "No serial adapter found: koda-sim plays an RK-13 (ID 0x1234) and a QK-11 (ID 0x5678) on $link"
    if [ ! -e "$config" ]; then
        printf '[Com]\r\nPort=0\r\n[Model]\r\nRK-13 ID=0x1234\r\nQK-11 ID=0x5678\r\n[Data]\r\nCourse length=3.7\r\n[Ports]\r\nCOM1=%s\r\n' \
            "$link" >"$config"
        echo "Wrote a first configuration: $config (COM1 = the simulator)"
    fi
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting under xvfb-run (set DISPLAY to see the window)."
    xvfb-run -a -s "-screen 0 1280x800x24" "$program"
else
    "$program"
fi

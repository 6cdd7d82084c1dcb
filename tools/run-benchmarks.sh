#!/usr/bin/env bash
# Builds KODA Monitor (RelWithDebInfo, build/ or $BUILD_DIR) and runs every benchmark in
# bench/, printing their figures. The garbage flood lasts FLOOD_SECONDS (default 600, as
# in docs/performance.md); pass a shorter time for a quick look:
#
#   bash tools/run-benchmarks.sh [FLOOD_SECONDS]
#
# Start-up is measured five times per window and every run is printed, since a single
# start-up varies with what else the machine is doing.
set -euo pipefail
cd "$(dirname "$0")/.."
flood_seconds=${1:-600}
BUILD_DIR=${BUILD_DIR:-build}
bash scripts/build.sh >/dev/null
cd "$BUILD_DIR"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
sim=tools/koda-sim/koda-sim

echo "== machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(uname -sr)"
run() {
    echo "== $*"
    "$@" 2>/dev/null
}
run bench/bench_download "$sim" 300
run bench/bench_lapchart
run bench/bench_analysis
run bench/bench_startup idle 10
run bench/bench_startup board 10
for window in koda plain; do
    echo "== bench/bench_startup $window (5 runs)"
    for _ in 1 2 3 4 5; do bench/bench_startup "$window" 2>/dev/null; done
done
run bench/bench_framescan 3
run bench/bench_lapfile 50
run bench/bench_lapfile huge
run bench/bench_requests "$sim" 1 5 1000
run bench/bench_logbook
run bench/bench_pitboard "$sim" 300 300
run bench/bench_trafficview 30
run bench/bench_flood "$sim" "$flood_seconds"

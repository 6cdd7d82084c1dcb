#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each one for the
# given number of seconds (default 1800), all at once at low priority. New inputs that
# raise coverage are added to a work corpus beside the build; findings (crash-*, leak-*,
# timeout-*) land in build-fuzz/findings/. Prints one summary line per target.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-1800}
bash scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKODA_FUZZ=ON >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" \
    --target fuzz_framescan-fuzzer fuzz_replyparser-fuzzer fuzz_lapfile-fuzzer profilefile-fuzzer
mkdir -p build-fuzz/findings build-fuzz/logs
declare -A corpus=(
    [fuzz_framescan]=tests/fuzz/corpus/framescan
    [fuzz_replyparser]=tests/fuzz/corpus/replyparser
    [fuzz_lapfile]=tests/fuzz/corpus/lapfile
    [profilefile]=tests/unit/config/corpus
)
pids=()
for target in "${!corpus[@]}"; do
    binary=$(find build-fuzz -name "$target-fuzzer" -type f -executable | head -n 1)
    work=build-fuzz/corpus/$target
    mkdir -p "$work"
    nice -n 19 "$binary" "$work" "${corpus[$target]}" -max_total_time="$seconds" \
        -artifact_prefix=build-fuzz/findings/"$target"- -print_final_stats=1 \
        >build-fuzz/logs/"$target".log 2>&1 &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
for target in "${!corpus[@]}"; do
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' build-fuzz/logs/"$target".log | grep -o '[0-9]*$' || echo "?")
    echo "$target: $runs runs in ${seconds} s, findings: $(ls build-fuzz/findings | grep -c "^$target-" || true)"
done
exit $status

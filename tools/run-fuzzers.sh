#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each one for the
# given number of seconds (default 1800), all at once at low priority, starting from
# the committed seed corpus. New inputs that raise coverage are added to a work corpus
# beside the build; findings (crash-*, leak-*, timeout-*) land in build-fuzz/findings/.
# Any finding, an UndefinedBehaviorSanitizer report included, fails the run. Prints one
# summary line per target and the time the build and the runs took.
#
# CI runs it with 60 s: bash tools/run-fuzzers.sh 60
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-1800}
# An undefined-behaviour report ends the target like a crash (libFuzzer then saves the
# input); given last, so that these settings win over any the caller has.
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}halt_on_error=1:print_stacktrace=1"
declare -A corpus=(
    [fuzz_framescan]=tests/fuzz/corpus/framescan
    [fuzz_replyparser]=tests/fuzz/corpus/replyparser
    [fuzz_lapfile]=tests/fuzz/corpus/lapfile
    [fuzz_lapdecoders]=tests/fuzz/corpus/lapdecoders
    [fuzz_lapchart]=tests/fuzz/corpus/lapchart
    [fuzz_reception]=tests/fuzz/corpus/reception
    [fuzz_profilefile]=tests/fuzz/corpus/profilefile
    [fuzz_capturereader]=tests/fuzz/corpus/capturereader
)
targets=$(printf '%s\n' "${!corpus[@]}" | sort)

start=$(date +%s)
bash scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKODA_FUZZ=ON >/dev/null
# shellcheck disable=SC2046
cmake --build build-fuzz --parallel "$(nproc)" --target $(printf '%s-fuzzer ' $targets)
built=$(date +%s)

mkdir -p build-fuzz/findings build-fuzz/logs
declare -A pid_of
for target in $targets; do
    binary=$(find build-fuzz -name "$target-fuzzer" -type f -executable | head -n 1)
    work=build-fuzz/corpus/$target
    mkdir -p "$work"
    # -timeout: an input that runs this long counts as a hang, well inside a short run.
    nice -n 19 "$binary" "$work" "${corpus[$target]}" -max_total_time="$seconds" -timeout=20 \
        -artifact_prefix=build-fuzz/findings/"$target"- -print_final_stats=1 \
        >build-fuzz/logs/"$target".log 2>&1 &
    pid_of[$target]=$!
done
status=0
for target in $targets; do
    if ! wait "${pid_of[$target]}"; then
        status=1
        echo "== $target failed; the end of build-fuzz/logs/$target.log:" >&2
        tail -n 40 build-fuzz/logs/"$target".log >&2
    fi
done
for target in $targets; do
    log=build-fuzz/logs/$target.log
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    edges=$(grep -o ' cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*' || echo "?")
    findings=$(find build-fuzz/findings -name "$target-*" -newermt "@$built" | wc -l)
    echo "$target: $runs runs in $seconds s, $edges edges, findings: $findings"
done
echo "fuzz: build $((built - start)) s, runs $(($(date +%s) - built)) s"
exit $status

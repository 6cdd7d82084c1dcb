#!/usr/bin/env bash
# Sanitizer runs: an AddressSanitizer + UndefinedBehaviorSanitizer build runs the unit,
# serial and end-to-end tests; a ThreadSanitizer build runs the serial and end-to-end
# tests but those on a real X server. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

BUILD_DIR=build-asan bash scripts/build.sh -DKODA_SANITIZE=address,undefined -DKODA_WERROR=ON
(cd build-asan &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS="suppressions=$PWD/../tools/sanitizers/lsan.supp" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure --timeout 900 -j2 -L "unit|serial|e2e")

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKODA_SANITIZE=thread \
    -DKODA_WERROR=ON
# Test names are their programs' names; a second run of a program under other settings
# carries a suffix ("tst_mainform-scaled", "tst_mainform-desktop").
# The tests on a real X server stay with the AddressSanitizer run: Debian's X11 client
# libraries are not built with ThreadSanitizer, which then reports their own locking.
# The check that run-under-wm.sh leaves nothing behind is a script with no program to build.
on_x_server="desktop|run-under-wm"
targets=$(cd build-tsan && ctest -N -L "serial|e2e" -E "$on_x_server" | awk '/Test +#/ {sub(/-(scaled|desktop)$/, "", $3); print $3}' | sort -u)
cmake --build build-tsan --parallel "$(nproc)" --target koda-sim $targets
(cd build-tsan &&
    TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 suppressions=$PWD/../tools/sanitizers/tsan.supp" \
    ctest --output-on-failure --timeout 900 -j2 -L "serial|e2e" -E "$on_x_server")

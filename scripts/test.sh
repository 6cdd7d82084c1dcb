#!/usr/bin/env bash
# Sets up the machine, builds KODA Monitor with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build} bash scripts/build.sh -DKODA_WERROR=ON
cd "${BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j2 "$@"

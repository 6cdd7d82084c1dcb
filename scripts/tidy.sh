#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy: member naming and a few bug-prone patterns) over every
# source file of src/ and tools/ in the build's compilation database; any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if ! command -v run-clang-tidy >/dev/null; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-tidy
fi
# The database and the generated moc and ui sources come from a configured, built tree.
[ -f "$BUILD_DIR/compile_commands.json" ] || bash scripts/build.sh
run-clang-tidy -p "$BUILD_DIR" -j "$(nproc)" -quiet "$PWD/(src|tools)/" > "$BUILD_DIR/tidy.log" 2>&1 || {
    grep -E 'error:|warning:' "$BUILD_DIR/tidy.log" | sort -u
    echo "tidy: findings above (whole output in $BUILD_DIR/tidy.log)"
    exit 1
}
echo "tidy: clean"

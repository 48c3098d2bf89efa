#!/usr/bin/env bash
# Builds everything and runs all tests.
# Usage: ./test.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build=${1:-$top/build}
shift || true
"$top/scripts/setup.sh" "$build" "$@"
# Widget tests need no display; test discovery runs the binaries too.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j2 --timeout 600

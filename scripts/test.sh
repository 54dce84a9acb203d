#!/usr/bin/env bash
# Sets up, builds and runs every test: the product build and its zip (checked as files) and the
# test build under Wine inside a virtual display that this script starts and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/wine-env.sh

cmake --preset release >/dev/null
cmake --build --preset release
cpack --preset release >/dev/null  # the zip, which the dist test opens
cmake --preset "$TEST_PRESET" >/dev/null
cmake --build --preset "$TEST_PRESET"

build="build/$TEST_PRESET"
cleanup() {
  stop_wine
  stop_virtual_display
}
trap cleanup EXIT
start_virtual_display
echo "test: Wine $("$WINE_LOADER" --version) ($TEST_PRESET) on display $DISPLAY"
prime_wine_prefix "$PWD/$build"
export PELLUCOR_RELEASE_EXE="$PWD/build/release/Pellucor.exe"
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"

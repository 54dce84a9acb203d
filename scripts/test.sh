#!/usr/bin/env bash
# Sets up, builds and runs every test: the product build and its zip (checked as files) and the
# test build under Wine inside a virtual display that this script starts and stops. The 32-bit
# test build (tests and tools) is compiled on every machine, also where no 32-bit code runs:
# a 64-bit build hides faults that only the 32-bit calling conventions show.
#   scripts/test.sh [ctest arguments]   e.g. -R closing
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/wine-env.sh

cmake --preset release >/dev/null
cmake --build --preset release
cmake --build --preset release --target dist >/dev/null  # the zip, which the dist test opens
for preset in test32 "$TEST_PRESET"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

build="build/$TEST_PRESET"
use_virtual_display "$PWD/$build"
echo "test: Wine $("$WINE_LOADER" --version) ($TEST_PRESET) on display $DISPLAY"
export PELLUCOR_RELEASE_EXE="$PWD/build/release/Pellucor.exe"
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"

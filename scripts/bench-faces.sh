#!/usr/bin/env bash
# Times the four button faces beside the system's push button, under Wine in a virtual
# display: microseconds per paint into a memory DC and into a window's DC.
#   BUILD_DIR  the build folder to use (default build/<test preset>)
#   PAINTS     paints per measurement (default 20000)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=${BUILD_DIR:-build/$TEST_PRESET}

cmake --preset "$TEST_PRESET" -B "$build" >/dev/null
cmake --build "$build" --target bench_faces

trap 'stop_wine; stop_virtual_display' EXIT
start_virtual_display
prime_wine_prefix "$PWD/$build"
echo "bench-faces: Wine $("$WINE_LOADER" --version) ($TEST_PRESET build)"
"$WINE_LOADER" "$build/tools/bench_faces.exe" "${PAINTS:-20000}"

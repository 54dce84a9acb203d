#!/usr/bin/env bash
# Sets up, builds and starts Pellucor under Wine. With a display it runs there until you close
# it; without one it starts a virtual display, saves a screenshot of the main window and says
# where.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "${1:-}" = "--no-setup" ] || scripts/setup.sh
source scripts/wine-env.sh

cmake --preset release >/dev/null && cmake --build --preset release >/dev/null
if [ "$TEST_PRESET" = test64 ]; then
  cmake --preset test64 >/dev/null && cmake --build --preset test64 --target Pellucor >/dev/null
  echo "run: this machine runs no 32-bit code; starting the 64-bit build of the same sources"
fi
program=$(program_to_run)
export WINEPREFIX="$PWD/build/wineprefix-run"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  "$WINE_LOADER" "$program"
  exit 0
fi

shots="$PWD/build/screenshots"
mkdir -p "$shots"
cleanup() {
  stop_wine
  if [ -n "${app:-}" ]; then kill "$app" 2>/dev/null || true; fi
  stop_virtual_display
}
trap cleanup EXIT
start_virtual_display
"$WINE_LOADER" wineboot -i >/dev/null 2>&1
configure_wine_prefix
"$WINE_LOADER" "$program" >/dev/null 2>&1 &
app=$!
if ! id=$(wait_for_x_window Pellucor 60); then
  echo "run: the main window did not appear" >&2
  exit 1
fi
sleep 1  # let the first paint finish
import -window "$id" "$shots/main-window.png"
echo "run: no display here; Pellucor started on a virtual one."
echo "run: screenshot of its main window: build/screenshots/main-window.png"

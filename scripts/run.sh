#!/usr/bin/env bash
# Sets up, builds and starts Pellucor under Wine. With a display it runs there until you close
# it; without one it starts a virtual display, saves a screenshot of the main window and says
# where.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "${1:-}" = "--no-setup" ] || scripts/setup.sh
source scripts/wine-env.sh
program=$(build_program_to_run)

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX="$PWD/build/run/wineprefix"
  mkdir -p build/run
  "$WINE_LOADER" wineboot -i >/dev/null 2>&1
  configure_wine_prefix
  exec "$WINE_LOADER" "$program"
fi

stop_app() {
  if [ -n "${app:-}" ]; then kill "$app" 2>/dev/null || true; fi
}
use_virtual_display "$PWD/build/run" stop_app
"$WINE_LOADER" "$program" >/dev/null 2>&1 &
app=$!
id=$(wait_for_x_window Pellucor 60) || { echo "run: the main window did not appear" >&2; exit 1; }
read -r left top width height < <(x_window_geometry "$id")
wait_until_still build/run/main-window.rgb "$left" "$top" "$width" "$height" ||
  echo "run: the window was still changing" >&2
convert -size "${width}x$height" -depth 8 rgb:build/run/main-window.rgb -strip \
  build/run/main-window.png
rm -f build/run/main-window.rgb
echo "run: no display here; Pellucor started on a virtual one."
echo "run: screenshot of its main window: build/run/main-window.png"

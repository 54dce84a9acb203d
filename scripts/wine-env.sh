# Sourced by the scripts: the Wine settings every run and test uses, and their shared chores.
#   TEST_PRESET   the CMake preset whose tests run here: test32 where the kernel itself runs 32-bit
#                 code and Wine's 32-bit loader works, else test64. Set it beforehand to choose.
#   WINE_LOADER   the loader for that preset's programs
# The Wine prefix belongs to a build folder, so nothing is written to the home folder.

PELLUCOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ -z "${TEST_PRESET:-}" ]; then
  source "$PELLUCOR_ROOT/scripts/machine.sh"
  if kernel_runs_32bit && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    TEST_PRESET=test32
  else
    TEST_PRESET=test64
  fi
fi
export TEST_PRESET  # the scripts that ctest runs decide no more
if [ "$TEST_PRESET" = test32 ]; then
  export WINE_LOADER=/usr/lib/wine/wine
else
  export WINE_LOADER=/usr/lib/wine/wine64
fi
export WINELOADER=$WINE_LOADER
export WINESERVER=/usr/bin/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Wine's ANSI code page follows the locale: 936 unless PELLUCOR_LOCALE names another locale.
export LANG=${PELLUCOR_LOCALE:-zh_CN.UTF-8}
export LC_ALL=$LANG

# Starts a virtual X display of our own (never a fixed number) and exports DISPLAY.
start_virtual_display() {
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$fd_file" ] && break
    sleep 0.1
  done
  if [ ! -s "$fd_file" ]; then
    echo "Xvfb did not start" >&2
    kill "$XVFB_PID" 2>/dev/null
    rm -f "$fd_file"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$fd_file")"
  rm -f "$fd_file"
}

stop_virtual_display() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  XVFB_PID=
}

# Creates (once) and starts the prefix in folder $1/wineprefix; leaves the server running.
prime_wine_prefix() {
  export WINEPREFIX="$1/wineprefix"
  mkdir -p "$1"
  "$WINE_LOADER" wineboot -i >/dev/null 2>&1
  configure_wine_prefix
  "$WINESERVER" -p 2>/dev/null || true  # keep the server up between tests
}

stop_wine() {
  if [ -n "${WINEPREFIX:-}" ]; then "$WINESERVER" -k 2>/dev/null || true; fi
}

# Runs the rest of the calling script in a virtual display of its own, with the prefix in folder
# $1 started (prime_wine_prefix). When the script exits, for whatever reason, runs its own
# clean-up, the function named $2 if given (ending the program it started, removing a folder),
# then stops Wine and the display.
use_virtual_display() {
  VIRTUAL_DISPLAY_CLEANUP=${2:-}
  trap leave_virtual_display EXIT
  start_virtual_display
  prime_wine_prefix "$1"
}

leave_virtual_display() {
  if [ -n "${VIRTUAL_DISPLAY_CLEANUP:-}" ]; then "$VIRTUAL_DISPLAY_CLEANUP" || true; fi
  stop_wine
  stop_virtual_display
}

# Settings of a new prefix: without a window manager nobody draws the title bars, so Wine draws
# its own frames, as Windows does, with the glyphs of its buttons from the Marlett font, which a
# new prefix lacks (the buttons then read "0 1 r"): Wine's own copy goes into the prefix. And the
# Chinese system font asked for by name ("宋体") is a Song face whose glyphs Wine draws within the
# widths it measures (fonts-arphic-gbsn00lp), 12 pixels high at 9 points, as on Windows.
configure_wine_prefix() {
  local key
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -u /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"  # fonts-wine
  for key in Decorated Managed; do
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v $key /t REG_SZ /d N /f >/dev/null 2>&1
  done
  for key in 宋体 SimSun; do
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$key" /t REG_SZ \
      /d 'AR PL SungtiL GB' /f >/dev/null 2>&1
  done
}

# Builds the program that `make run`, the demo and the screenshots start, and prints its path:
# the product itself where the 32-bit loader works, else the 64-bit build of the same sources.
build_program_to_run() {
  cmake --preset release >/dev/null && cmake --build --preset release >/dev/null
  if [ "$TEST_PRESET" = test32 ]; then
    echo "$PELLUCOR_ROOT/build/release/Pellucor.exe"
  else
    cmake --preset test64 >/dev/null && cmake --build --preset test64 --target Pellucor >/dev/null
    echo "this machine runs no 32-bit code: the 64-bit build of the same sources runs" >&2
    echo "$PELLUCOR_ROOT/build/test64/Pellucor.exe"
  fi
}

# Waits (at most $2 seconds) for a top-level X window named $1, other than the window $3 if
# given; prints its id.
wait_for_x_window() {
  local i id
  for i in $(seq 1 $(($2 * 10))); do
    id=$(xwininfo -root -tree 2>/dev/null |
      awk -v n="\"$1\":" -v old="${3:-none}" '$2 == n && $1 != old {print $1; exit}')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Prints "left top width height" of an X window.
x_window_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
                           /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'
}

# Waits (at most 10 seconds) until the screen rectangle "$2 $3 $4 $5" (left top width height)
# looks the same twice in a row, 0.2 s apart, and unlike each raw capture named after it; leaves
# that look as raw RGB in file $1.
wait_until_still() {
  local out=$1 rect=("$2" "$3" "$4" "$5") other fresh
  shift 5
  rm -f "$out.before"
  for _ in $(seq 1 50); do
    import -window root -crop "${rect[2]}x${rect[3]}+${rect[0]}+${rect[1]}" +repage -depth 8 \
      "rgb:$out"
    if [ -f "$out.before" ] && cmp -s "$out" "$out.before"; then
      fresh=1
      for other in "$@"; do cmp -s "$out" "$other" && fresh=0; done
      [ "$fresh" = 1 ] && { rm -f "$out.before"; return 0; }
    fi
    mv "$out" "$out.before"
    sleep 0.2
  done
  rm -f "$out.before"
  return 1
}

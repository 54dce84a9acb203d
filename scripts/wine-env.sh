# Sourced by the scripts: the Wine settings every run and test uses.
#   WINE_LOADER   the loader for the build in use (32-bit where the kernel runs 32-bit code)
#   TEST_PRESET   the CMake preset whose tests run here: test32 or test64
# The Wine prefix belongs to the build folder, so nothing is written to the home folder.

PELLUCOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export WINE_LOADER=/usr/lib/wine/wine
  TEST_PRESET=test32
else
  export WINE_LOADER=/usr/lib/wine/wine64
  TEST_PRESET=test64
fi
export WINELOADER=$WINE_LOADER
export WINESERVER=/usr/bin/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8

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

# Creates (once) and starts the prefix for a build folder; leaves the server running.
prime_wine_prefix() {
  export WINEPREFIX="$1/wineprefix"
  "$WINE_LOADER" wineboot -i >/dev/null 2>&1
  configure_wine_prefix
  "$WINESERVER" -p 2>/dev/null || true  # keep the server up between tests
}

stop_wine() {
  if [ -n "${WINEPREFIX:-}" ]; then "$WINESERVER" -k 2>/dev/null || true; fi
}

# Settings of a new prefix: without a window manager nobody draws the title bars, so Wine draws
# its own frames, as Windows does, with the glyphs of its buttons from the Marlett font, which a
# new prefix lacks (the buttons then read "0 1 r"): Wine's own copy goes into the prefix. And the
# Chinese system font asked for by name ("宋体") is the installed WenQuanYi font, in its variant
# with hand-tuned small sizes.
configure_wine_prefix() {
  local key
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -u /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"  # fonts-wine
  for key in Decorated Managed; do
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v $key /t REG_SZ /d N /f >/dev/null 2>&1
  done
  for key in 宋体 SimSun; do
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$key" /t REG_SZ \
      /d 'WenQuanYi Zen Hei Sharp' /f >/dev/null 2>&1
  done
}

# The executable `make run` starts: the product itself where the 32-bit loader works, else the
# 64-bit build of the same sources.
program_to_run() {
  if [ "$TEST_PRESET" = test32 ]; then
    echo "$PELLUCOR_ROOT/build/release/Pellucor.exe"
  else
    echo "$PELLUCOR_ROOT/build/test64/Pellucor.exe"
  fi
}

# Waits (at most $2 seconds) for a top-level X window named $1; prints its id.
wait_for_x_window() {
  local i id
  for i in $(seq 1 $(($2 * 10))); do
    id=$(xwininfo -root -tree 2>/dev/null | awk -v n="\"$1\":" '$2 == n {print $1; exit}')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

#!/usr/bin/env bash
# Takes every picture the README shows, of the real windows: Pellucor runs under Wine in a
# virtual display against the loopback stand-in status server and is driven from X with
# xdotool. Writes into docs/:
#   main-window.png   the main window at start
#   online.png        after a lookup answered 在线 (the default account)
#   about-window.png  the About window over the main window
#   offline.png       after a lookup answered 离线
#   error-box.png     a failed lookup's error box over the main window (account error-500)
#   system-menu.png   the window menu open over the main window
#   faces/            the four button faces, enlarged (scripts/render-faces.sh)
# Every wait is a bounded poll of the screen; a step that does not come about stops the run.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != --against-standin ]; then
  scripts/setup.sh
  source scripts/wine-env.sh
  build_program_to_run >/dev/null
  cmake --preset "$TEST_PRESET" >/dev/null
  cmake --build --preset "$TEST_PRESET" --target control_places >/dev/null
  python3 tests/standin/status_server.py --run --timeout 300 -- "$0" --against-standin
  scripts/render-faces.sh
  exit 0
fi

source scripts/wine-env.sh
program=$(build_program_to_run)
tools="$PWD/build/$TEST_PRESET/tools"
docs="$PWD/docs"
work=$(mktemp -d)
clean_up() {
  if [ -n "${app:-}" ]; then kill "$app" 2>/dev/null || true; fi
  rm -rf "$work"
}
use_virtual_display "$PWD/build/screenshots" clean_up

fail() {
  echo "screenshots: $*" >&2
  exit 1
}

# Waits until the rectangle $1..$4 has settled, unlike each raw capture named after it; leaves
# the picture in $work/now.rgb.
settle() {
  wait_until_still "$work/now.rgb" "$@"
}

# Waits (at most 10 seconds) until window $1 is gone or unmapped.
wait_until_gone() {
  local i
  for i in $(seq 1 100); do
    xwininfo -id "$1" 2>/dev/null | grep -q IsViewable || return 0
    sleep 0.1
  done
  return 1
}

# Saves the main window, once it has settled, as docs/$1.png.
shoot_main() {
  local left top width height
  read -r left top width height <<<"$main_rect"
  settle "$left" "$top" "$width" "$height" || fail "the main window did not settle for $1.png"
  convert -size "${width}x$height" -depth 8 "rgb:$work/now.rgb" -strip "PNG24:$docs/$1.png"
}

# Saves the main window with window $2 over it, once both have settled, as docs/$1.png: the
# rectangle around both, transparent where neither window is.
shoot_pair() {
  local l1 t1 w1 h1 l2 t2 w2 h2 left top right bottom
  read -r l1 t1 w1 h1 <<<"$main_rect"
  read -r l2 t2 w2 h2 < <(x_window_geometry "$2")
  left=$((l1 < l2 ? l1 : l2)) top=$((t1 < t2 ? t1 : t2))
  right=$((l1 + w1 > l2 + w2 ? l1 + w1 : l2 + w2)) bottom=$((t1 + h1 > t2 + h2 ? t1 + h1 : t2 + h2))
  settle "$left" "$top" $((right - left)) $((bottom - top)) || fail "$1.png did not settle"
  convert -size "$((right - left))x$((bottom - top))" -depth 8 "rgb:$work/now.rgb" \
    \( +clone -fill black -colorize 100 -fill white \
    -draw "rectangle $((l1 - left)),$((t1 - top)) $((l1 - left + w1 - 1)),$((t1 - top + h1 - 1))" \
    -draw "rectangle $((l2 - left)),$((t2 - top)) $((l2 - left + w2 - 1)),$((t2 - top + h2 - 1))" \) \
    -alpha off -compose CopyOpacity -composite -strip "PNG32:$docs/$1.png"
}

# Prints "left top width height" on the screen of the main window's control of class $1 (Button,
# Edit) captioned $2, or, for $2 = top or bottom, the upper or lower of that class. The places
# come from Windows itself (tools/control_places.cpp), so they hold at any DPI and frame size.
place() {
  awk -v class="$1" -v which="$2" 'tolower($1) != tolower(class) {next}
    $6 == which || which == "top" && (found == "" || $3 < y) ||
      which == "bottom" && (found == "" || $3 > y) {y = $3; found = $2 " " $3 " " $4 " " $5}
    END {if (found == "") exit 1; print found}' <<<"$controls"
}

# Clicks the middle of the main window's control of class $1 (see place).
click() {
  local left top width height
  read -r left top width height < <(place "$1" "$2") || fail "no $1 '$2' in the main window"
  xdotool mousemove $((left + width / 2)) $((top + height / 2)) click 1
}

# Types account $1 into the account box, in place of what it holds, and clicks 查询.
query() {
  click Edit top
  xdotool key End key --repeat 40 BackSpace type "$1"
  click Button 查询
}

# Waits until the inside of the read-out box has settled unlike each raw capture named after
# $1; keeps it as $work/$1.rgb.
read_out() {
  local name=$1
  shift
  local left top width height
  read -r left top width height < <(place Edit bottom) || fail "no read-out box"
  # Inside its sunken border, two pixels wide.
  settle $((left + 2)) $((top + 2)) $((width - 4)) $((height - 4)) "$@" ||
    fail "the read-out box did not settle ($name)"
  cp "$work/now.rgb" "$work/$name.rgb"
}

# A caret that does not blink, so that two looks at a settled window agree.
"$WINE_LOADER" reg add 'HKCU\Control Panel\Desktop' /v CursorBlinkRate /t REG_SZ /d -1 /f \
  >/dev/null 2>&1
"$WINE_LOADER" "$program" >/dev/null 2>&1 &
app=$!
main=$(wait_for_x_window Pellucor 60) || fail "the main window did not appear"
main_rect=$(x_window_geometry "$main")
controls=$("$WINE_LOADER" "$tools/control_places.exe" Pellucor) ||
  fail "the main window's controls were not found"
mkdir -p "$docs"

shoot_main main-window
read_out empty

click Button 查询  # for the default account
read_out online "$work/empty.rgb"
shoot_main online

click Button 关于
about=$(wait_for_x_window 关于 15) || fail "the About window did not appear"
shoot_pair about-window "$about"
xdotool key space  # presses its OK button, which has the focus
wait_until_gone "$about" || fail "the About window did not close"

query lisi
read_out offline "$work/empty.rgb" "$work/online.rgb"
shoot_main offline

query error-500
box=$(wait_for_x_window Pellucor 15 "$main") || fail "no error box appeared"
shoot_pair error-box "$box"
for _ in 1 2 3; do  # a click with the focus in the account box queries twice
  xdotool key Return
  wait_until_gone "$box" || fail "the error box did not close"
  box=$(wait_for_x_window Pellucor 2 "$main") || break
done
# The window menu (Alt+Space), with the watch's and the shortcut's items: an unnamed window of the
# program's, larger than a pixel.
xdotool key alt+space
menu=
for _ in $(seq 1 50); do
  menu=$(xwininfo -root -tree | awk '/\(has no name\): \("pellucor.exe"/ && $5 !~ /^1x1\+/ {print $1; exit}')
  [ -n "$menu" ] && break
  sleep 0.1
done
[ -n "$menu" ] || fail "the window menu did not open"
shoot_pair system-menu "$menu"
xdotool key Escape

echo "screenshots: wrote main-window.png online.png about-window.png offline.png error-box.png" \
  "system-menu.png into docs"

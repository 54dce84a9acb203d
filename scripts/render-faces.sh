#!/usr/bin/env bash
# Renders the four button faces with the caption "查询" at 81 x 22, enlarged 4 times, into
# docs/faces/{normal,pressed,focused,disabled}.png and all four side by side in all.png.
#   BUILD_DIR  the build folder to use (default build/<test preset>)
#   SCALE      the enlargement, 1 to 16 (default 4)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=${BUILD_DIR:-build/$TEST_PRESET}
scale=${SCALE:-4}
convert=/usr/bin/convert  # ImageMagick itself, not whatever else is called convert on PATH

cmake --preset "$TEST_PRESET" -B "$build" >/dev/null
cmake --build "$build" --target render_faces

out="$PWD/docs/faces"
work=$(mktemp -d)
remove_work() { rm -rf "$work"; }
use_virtual_display "$PWD/$build" remove_work
(cd "$work" && "$WINE_LOADER" "$OLDPWD/$build/tools/render_faces.exe" "$scale")

mkdir -p "$out"
faces=(normal pressed focused disabled)
bitmaps=()
for face in "${faces[@]}"; do
  "$convert" "$work/$face.bmp" -strip "PNG24:$out/$face.png"
  bitmaps+=("$work/$face.bmp")
done
# All four side by side, apart, on the button-face colour of their corners.
background=$("$convert" "$work/normal.bmp" -format '%[pixel:p{0,0}]' info:)
"$convert" "${bitmaps[@]}" -bordercolor "$background" -border 8 +append -strip "PNG24:$out/all.png"
echo "render-faces: wrote ${faces[*]/%/.png} all.png into docs/faces"

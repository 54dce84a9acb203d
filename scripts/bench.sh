#!/usr/bin/env bash
# `make bench`: measures Pellucor under Wine, each figure beside a baseline measured in the same
# run (interleaved, medians), prints the table and writes it to docs/benchmarks.md.
#   scripts/bench.sh [program] [faces]   only those parts (the document is written for both)
#   RUNS         starts and queries per program (default 21)
#   PAINTS       paints per face measurement (default 2000); ROUNDS (default 11)
#   PROGRAM      another Pellucor.exe of the same width to measure (an older build, say); nothing
#                is written then
#   BENCH_WIDTH  32 or 64: the width to time (default: 32 where the kernel runs 32-bit code, else 64)
# What is timed is built with the product's own flags: the product itself (preset release) at
# 32 bits, the same configuration for x86-64 (preset release64) at 64 bits. The baselines and the
# measuring programs come from the same build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/wine-env.sh

parts=${*:-program faces}
width=${BENCH_WIDTH:-$([ "$TEST_PRESET" = test32 ] && echo 32 || echo 64)}
case $width in
  32)
    if [ "$TEST_PRESET" != test32 ]; then
      echo "bench: this machine runs no 32-bit code; BENCH_WIDTH=32 cannot be timed here" >&2
      exit 1
    fi
    preset=release ;;
  64)
    preset=release64
    export WINE_LOADER=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64 ;;
  *) echo "bench: BENCH_WIDTH is 32 or 64, not $width" >&2; exit 2 ;;
esac
build="build/$preset"
release=build/release/Pellucor.exe
cmake --preset release >/dev/null && cmake --build --preset release >/dev/null
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Pellucor bare_window plain_lookup socket_lookup \
  bench_program answer_hook bench_faces >/dev/null
program=${PROGRAM:-$PWD/$build/Pellucor.exe}

use_virtual_display "$PWD/$build"

cpu=$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)
table=$(mktemp)
{
  echo "# Benchmarks"
  echo
  echo "Written by \`make bench\` on $(date -u '+%Y-%m-%d %H:%M UTC'):"
  echo "${cpu:-unknown CPU}, $(nproc) cores (load average $(cut -d' ' -f1-3 /proc/loadavg) at" \
    "the start); $($WINE_LOADER --version) with the loader $(basename "$WINE_LOADER")."
  echo "Timed: ${program#"$PWD"/}, ${width}-bit, built with the product's flags (MinSizeRel," \
    "win32 threads, stripped); the baselines, among them the plain design's lookup" \
    "(tools/plain_lookup.cpp: the main window's controls, whose query downloads the answer into" \
    "a file synchronously on the window's own thread, with none of Pellucor's checks), and the" \
    "face benchmark are built with the same flags and width; the floor of a query," \
    "tools/socket_lookup.cpp, is the same window with one GET over a bare socket."
  echo "Pellucor and its baseline take turns; each column is a median, the ratio the median of" \
    "the ratios of neighbouring runs (RUNS=${RUNS:-21}; faces ${ROUNDS:-11} rounds of" \
    "${PAINTS:-2000} paints). Private memory is what Wine reports as private (resident" \
    "anonymous) bytes. A started program sits idle for half a second before it is measured or" \
    "clicked. A query ends when the program sets \"在线\", as a hook in the program tells the" \
    "benchmark; the first click is real mouse input, later clicks are posted to the button." \
    "The watch's memory is measured once the program's threads but the window's have ended," \
    "as they do between the watch's turns."
  echo
  echo "| measure | Pellucor | baseline | ratio |"
  echo "|---|---|---|---|"
  size=$(stat -c %s "$release")
  printf '| size of %s | %s bytes | budget: 131072 bytes | %s× |\n' "$release" "$size" \
    "$(awk -v a="$size" 'BEGIN {printf "%.2f", a / 131072}')"
} | tee "$table"
if [[ " $parts " == *" program "* ]]; then
  python3 tests/standin/status_server.py --run --timeout 1800 -- "$WINE_LOADER" \
    "$build/tools/bench_program.exe" "$program" "$PWD/$build/tools/bare_window.exe" \
    "$PWD/$build/tools/plain_lookup.exe" "${RUNS:-21}" | tee -a "$table"
fi
if [[ " $parts " == *" faces "* ]]; then
  "$WINE_LOADER" "$build/tools/bench_faces.exe" "${PAINTS:-2000}" "${ROUNDS:-11}" |
    tee -a "$table"
fi
if [[ -z "${PROGRAM:-}" && " $parts " == *" program "* && " $parts " == *" faces "* ]]; then
  mkdir -p docs
  mv "$table" docs/benchmarks.md
  echo "bench: written to docs/benchmarks.md"
else
  rm -f "$table"
fi

#!/usr/bin/env bash
# `make bench`: measures Pellucor under Wine, each figure beside a baseline measured in the same
# run (interleaved, medians), prints the table and writes it to docs/benchmarks.md.
#   scripts/bench.sh [program] [faces]   only those parts (the document is written for both)
#   RUNS     starts and queries per program (default 21)
#   PAINTS   paints per face measurement (default 2000); ROUNDS (default 11)
#   PROGRAM  another Pellucor.exe to measure (an older build, say); nothing is written then
# The program measured is the one `make run` starts: the product where the 32-bit loader works,
# else the 64-bit build of the same sources. The tools come from the test build of that width.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/wine-env.sh

parts=${*:-program faces}
build="build/$TEST_PRESET"
cmake --preset release >/dev/null && cmake --build --preset release >/dev/null
cmake --preset "$TEST_PRESET" >/dev/null
cmake --build --preset "$TEST_PRESET" --target Pellucor bare_window bench_program bench_faces \
  >/dev/null
program=${PROGRAM:-$(build_program_to_run)}
release=build/release/Pellucor.exe

trap 'stop_wine; stop_virtual_display' EXIT
start_virtual_display
prime_wine_prefix "$PWD/$build"

cpu=$(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)
table=$(mktemp)
{
  echo "# Benchmarks"
  echo
  echo "Written by \`make bench\` on $(date -u '+%Y-%m-%d %H:%M UTC'):"
  echo "${cpu:-unknown CPU}, $(nproc) cores (load average $(cut -d' ' -f1-3 /proc/loadavg) at" \
    "the start); $($WINE_LOADER --version) with the loader $(basename "$WINE_LOADER");" \
    "program ${program#"$PWD"/}."
  if [ "$TEST_PRESET" = test64 ]; then
    echo "This machine runs no 32-bit code: the times are those of the 64-bit build of the" \
      "same sources; the size is the 32-bit product's."
  fi
  echo "Pellucor and its baseline take turns; each column is a median, the ratio the median of" \
    "the ratios of neighbouring runs (RUNS=${RUNS:-21}; faces ${ROUNDS:-11} rounds of" \
    "${PAINTS:-2000} paints). Private memory is what Wine reports as private (resident" \
    "anonymous) bytes."
  echo
  echo "| measure | Pellucor | baseline | ratio |"
  echo "|---|---|---|---|"
  size=$(stat -c %s "$release")
  printf '| size of %s | %s bytes | budget: 131072 bytes | %s× |\n' "$release" "$size" \
    "$(awk -v a="$size" 'BEGIN {printf "%.2f", a / 131072}')"
} | tee "$table"
if [[ " $parts " == *" program "* ]]; then
  python3 tests/standin/status_server.py --run --timeout 900 -- "$WINE_LOADER" \
    "$build/tools/bench_program.exe" "$program" "$PWD/$build/tools/bare_window.exe" \
    "${RUNS:-21}" | tee -a "$table"
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

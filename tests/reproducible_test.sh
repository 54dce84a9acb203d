#!/usr/bin/env bash
# The zip for Windows users, built from these sources in two new folders (of different lengths),
# is the same bytes both times.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
export SOURCE_DATE_EPOCH
for build in "$work/a" "$work/the-second"; do
  cmake --preset release -B "$build" -DPELLUCOR_DIST_DIR="$build/dist" >/dev/null
  cmake --build "$build" --target dist >/dev/null
done
cmp "$work"/a/dist/Pellucor-*.zip "$work"/the-second/dist/Pellucor-*.zip

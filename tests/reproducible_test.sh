#!/usr/bin/env bash
# The zip for Windows users built twice from these sources, in two new folders of different
# lengths (dated from the last commit: scripts/dist.py), is the same bytes both times, and
# SHA256SUMS beside it holds its SHA-256.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for build in "$work/a" "$work/the-second"; do
  cmake --preset release -B "$build" -DPELLUCOR_DIST_DIR="$build/dist" >/dev/null
  cmake --build "$build" --target dist >/dev/null
done
cmp "$work"/a/dist/Pellucor-*.zip "$work"/the-second/dist/Pellucor-*.zip
(cd "$work/a/dist" && sha256sum --quiet --check --strict SHA256SUMS)

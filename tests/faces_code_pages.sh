#!/usr/bin/env bash
# Renders the faces with their Chinese caption under the ANSI code pages of a Chinese (936), a
# Western (1252) and a Japanese (932) system: the images must be the same, pixel for pixel.
# Usage: faces_code_pages.sh WINE_RUN RENDER_FACES_EXE
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for locale in zh_CN en_US ja_JP; do
  mkdir "$work/$locale"
  (cd "$work/$locale" && PELLUCOR_LOCALE=$locale.UTF-8 "$1" "$2" 1 >/dev/null) || exit 1
done
status=0
for locale in en_US ja_JP; do diff -r "$work/zh_CN" "$work/$locale" || status=1; done
exit $status

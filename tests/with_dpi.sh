#!/usr/bin/env bash
# Runs a command with the Wine prefix set to a screen of DPI dots per inch, then sets the prefix
# back to its default. Usage: with_dpi.sh DPI COMMAND...
set -u
dpi=$1
shift
wine_reg() { "$(dirname "$0")/../scripts/wine-run" reg "$@" >/dev/null 2>&1; }
key='HKCU\Control Panel\Desktop'
wine_reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f
"$@"
status=$?
wine_reg delete "$key" /v LogPixels /f
exit $status

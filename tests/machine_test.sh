#!/usr/bin/env bash
# Checks that scripts/machine.sh tells the kernel's own 32-bit execution from a user-mode emulator's:
# inside a user namespace of its own, with a binfmt_misc of its own (Linux 6.7 and later), a stand-in
# "emulator" is registered for i386 programs. Skipped (77) where such a namespace cannot be made.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" != --inside ]; then
  unshare --user --map-root-user --mount true 2>/dev/null || { echo "no user namespaces"; exit 77; }
  exec unshare --user --map-root-user --mount "$0" --inside
fi

mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
  { echo "no binfmt_misc of a namespace's own"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#!/bin/sh\nexec head -c1 >/dev/null\n' >"$work/emulator"  # waits on its input, as the probe
chmod +x "$work/emulator"
source "$root/scripts/machine.sh"

kernel_runs_32bit && native=yes || native=no
printf ':i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:%s:' \
  "$work/emulator" >/proc/sys/fs/binfmt_misc/register || { echo "cannot register"; exit 77; }
if kernel_runs_32bit; then
  echo "FAIL: 32-bit code run by an emulator was taken for the kernel's own"
  exit 1
fi
echo "ok: with an emulator registered, no 32-bit execution is seen (without it: $native)"

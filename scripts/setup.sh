#!/usr/bin/env bash
# Installs everything building, running and testing Pellucor needs on Debian 12:
# the MinGW-w64 cross compilers, Wine, a virtual X display, a Chinese font and the
# zh_CN.UTF-8, en_US.UTF-8 and ja_JP.UTF-8 locales. Idempotent: what is already there is skipped.
#
# The product is a 32-bit executable. Machines whose kernel runs 32-bit code can run it
# with Wine's 32-bit loader (wine32:i386); on machines that cannot (ia32 emulation off, or
# only a user-mode emulator), the tests run a 64-bit build of the same sources under wine64.
# Both loaders are installed where they can work; see scripts/wine-env.sh for the choice.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  exec sudo --preserve-env=DEBIAN_FRONTEND "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive

packages=(
  cmake ninja-build g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  g++-mingw-w64-x86-64-win32
  googletest
  wine wine64 fonts-wine xvfb xauth x11-utils xdotool fonts-wqy-zenhei fonts-arphic-gbsn00lp locales
  python3 imagemagick
)
packages+=("$@")  # and what a script needs besides: scripts/setup.sh clang-tidy

source "$(dirname "$0")/machine.sh"

added_arch=0
if kernel_runs_32bit; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added_arch=1
  fi
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ] || [ "$added_arch" -eq 1 ]; then
  echo "setup: installing ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine's ANSI code page follows the locale: without zh_CN.UTF-8 it stays 1252. The tests also
# run under code pages 1252 (en_US.UTF-8) and 932 (ja_JP.UTF-8).
generate=0
for name in zh_CN en_US ja_JP; do
  if ! locale -a 2>/dev/null | grep -qix "$name.utf8"; then
    echo "setup: generating the $name.UTF-8 locale"
    if grep -q "^# *$name.UTF-8 UTF-8" /etc/locale.gen; then
      sed -i "s/^# *\($name.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen; then
      echo "$name.UTF-8 UTF-8" >>/etc/locale.gen
    fi
    generate=1
  fi
done
if [ "$generate" -eq 1 ]; then locale-gen >/dev/null; fi

echo "setup: ready"

#!/usr/bin/env bash
# Checks that src/, tests/ and tools/ keep one naming style (.clang-tidy says which): clang-tidy
# reads the test64 build's compile commands, as clang for the same MinGW target with the cross
# compiler's C++ headers. Prints every name to change, once, and fails when there is one.
#   scripts/lint.sh [FILE...]   only these sources (and the headers they include)
# Not part of `make test`: it parses every source again, which takes minutes on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh clang-tidy >/dev/null
root=$PWD
build=build/test64

cmake --preset test64 >/dev/null  # the compile commands; nothing needs building
# Clang finds MinGW's C headers by itself but not the C++ headers of the Debian cross compiler
# (its version folder, 12-posix, is no version number to clang): they are passed as the cross
# compiler lists them, ahead of the C headers as there.
compiler=$(python3 -c 'import json, shlex, sys
print(shlex.split(json.load(open(sys.argv[1]))[0]["command"])[0])' "$build/compile_commands.json")
target=$(basename "$compiler" | grep -o '^[a-z0-9_]*-w64-mingw32')
extra=(--extra-arg=--target="$target")
while read -r dir; do
  extra+=(--extra-arg=-isystem"$dir")
done < <("$compiler" -E -x c++ -v - </dev/null 2>&1 | sed -n '/^#include <...>/,/^End/p' |
  grep -F '/c++' | sed 's/^ *//')

if [ "$#" -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(python3 -c 'import json, sys
for entry in json.load(open(sys.argv[1])):
    print(entry["file"])' "$build/compile_commands.json" | grep -E "^$root/(src|tests|tools)/" |
    sed "s|^$root/||" | sort -u)
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -I{} sh -c \
  'build=$1 root=$2 out=$3 file=$4; shift 4
   clang-tidy-14 --quiet --use-color=false -p "$build" --header-filter="^$root/(src|tests|tools)/" \
     "$@" "$file" >"$out/$(echo "$file" | tr / _).log" 2>&1 || true' \
  sh "$build" "$root" "$out" {} "${extra[@]}"

# One spelling, colour, in our own names; Windows' own (SetTextColor, GetSysColor) stay as they
# are. clang-tidy cannot tell a spelling, so the sources are searched.
grep -rnoE --include='*.cpp' --include='*.h' '\b[A-Za-z0-9_]*[Cc]olor[A-Za-z0-9_]*\b' src tests tools |
  grep -vE ':(Get|Set)[A-Za-z]*Colors?(Brush)?$' |
  sed -E "s/^([^:]+:[0-9]+):(.*)$/\1:1: spelt 'color': '\2'/" >"$out/spelling.log" || true

# One line per name, by file: "src/x.cpp:12:8: invalid case style for parameter 'a_b'".
findings=$(cat "$out"/*.log | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error|spelt)' |
  sed -E "s|^$root/||; s/: (warning|error): /: /; s/ \[[a-z,-]+\]$//" | sort -u | sort -s -t: -k1,1 -k2,2n -k3,3n || true)
if [ -n "$findings" ]; then
  echo "$findings"
  echo "lint: $(echo "$findings" | wc -l) names to change in $(echo "$findings" | cut -d: -f1 |
    sort -u | wc -l) files"
  exit 1
fi
echo "lint: ${#files[@]} sources, one naming style"

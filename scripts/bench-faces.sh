#!/usr/bin/env bash
# The face painting part of `make bench` alone (scripts/bench.sh).
exec "$(dirname "$0")/bench.sh" faces

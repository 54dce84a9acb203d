#!/usr/bin/env bash
# Runs Pellucor against the loopback stand-in status server: no internet needed. Under Wine the
# proxy Windows is set to use is the one http_proxy names: the stand-in, which answers.
# Accounts the stand-in reports online: tolvarin, online, 张三. Every other account is offline;
# error-500, dropped, truncated and silent show the failure reports.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec python3 tests/standin/status_server.py --run --timeout 86400 -- scripts/run.sh --no-setup

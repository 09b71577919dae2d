#!/usr/bin/env bash
# Runs inside scripts/wine-env.sh: the benchmark of the program with the
# simulated keypad. BUILD_DIR is the cross build folder.
set -euo pipefail
exec /usr/bin/python3 "$(dirname "$0")/bench.py" "$1/simulator" "${@:2}"

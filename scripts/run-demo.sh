#!/usr/bin/env bash
# Starts Lumitrax with the simulated keypad in a Wine desktop. On a display
# it runs until the program is closed (press keys in the Keypad window);
# without one it runs a short scripted keypad session under a private Xvfb
# and saves screenshots.
#
#   scripts/run-demo.sh SIMULATOR_DIR OUTPUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sim_dir=$(cd "$1" && pwd)
mkdir -p "$2"
out_dir=$(cd "$2" && pwd)
prefix="$(cd "$here/.." && pwd)/build/wineprefix"

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  exec "$here/wine-env.sh" --prefix "$prefix" -- "$here/demo-session.sh" interactive "$sim_dir" "$out_dir"
else
  exec "$here/wine-env.sh" --prefix "$prefix" --xvfb -- "$here/demo-session.sh" scripted "$sim_dir" "$out_dir"
fi

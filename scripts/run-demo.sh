#!/usr/bin/env bash
# Starts Lumitrax with the simulated keypad in a Wine desktop. On a display
# it runs until the program is closed (press keys in the Keypad window);
# without one it runs a short scripted keypad session under a private Xvfb
# and saves screenshots.
#
#   scripts/run-demo.sh win32|win64 SIMULATOR_DIR OUTPUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=$1
sim_dir=$(cd "$2" && pwd)
mkdir -p "$3"
out_dir=$(cd "$3" && pwd)
prefix="$(cd "$here/.." && pwd)/build/wineprefix-$arch"

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  exec "$here/wine-env.sh" --arch "$arch" --prefix "$prefix" -- \
    "$here/demo-session.sh" interactive "$sim_dir" "$out_dir"
else
  exec "$here/wine-env.sh" --arch "$arch" --prefix "$prefix" --xvfb -- \
    "$here/demo-session.sh" scripted "$sim_dir" "$out_dir"
fi

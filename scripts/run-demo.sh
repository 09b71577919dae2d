#!/usr/bin/env bash
# Starts Lumitrax with the simulated keypad in a Wine desktop. On a display
# it runs until the program is closed (press keys in the Keypad window);
# without one it runs a short scripted keypad session under a private Xvfb
# and saves screenshots, and screenshots of the panel at 100 % and 150 %.
#
#   scripts/run-demo.sh win32|win64 SIMULATOR_DIR OUTPUT_DIR [DPI]
#
# DPI: the display scale of the Wine prefix, in dots per inch (96 is 100 %,
# 144 is 150 %); each scale has a prefix of its own. Without a display a
# scale other than 96 shows the panel at that scale only.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=$1
sim_dir=$(cd "$2" && pwd)
mkdir -p "$3"
out_dir=$(cd "$3" && pwd)
dpi=${4:-96}
# wine-env.sh in the prefix of a scale, as the Makefile's tests use it:
# scales other than 100 % on a panel PC's screen.
wine_env() { # DPI WINE-ENV-ARGS...
  local dpi=$1 prefix
  shift
  prefix="$(cd "$here/.." && pwd)/build/wineprefix-$arch"
  local scale=(--dpi "$dpi")
  if [ "$dpi" != 96 ]; then
    prefix="$prefix-dpi$dpi"
    scale+=(--desktop 1920x1080)
  fi
  "$here/wine-env.sh" --arch "$arch" --prefix "$prefix" "${scale[@]}" "$@"
}

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  wine_env "$dpi" -- "$here/demo-session.sh" interactive "$sim_dir" "$out_dir"
  exit
fi
if [ "$dpi" = 96 ]; then
  wine_env 96 --xvfb -- "$here/demo-session.sh" scripted "$sim_dir" "$out_dir"
  scales=(96 144)
else
  scales=("$dpi")
fi
for scale in "${scales[@]}"; do
  wine_env "$scale" --xvfb -- "$here/demo-session.sh" panel "$sim_dir" "$out_dir"
done

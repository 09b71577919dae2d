#!/usr/bin/env bash
# Runs inside scripts/wine-env.sh: the benchmarks of the program with the
# simulated keypad and of the panel's window shape. BUILD_DIR is the cross
# build folder (build/win32 or build/win64).
set -euo pipefail
build=$1
echo "== measured: $(cat "$build/release/architecture.txt"), from $build;" \
  "Wine loader $LUMITRAX_WINE_LOADER ($LUMITRAX_WINE_ARCH prefix, $(wine --version))"
echo "== panel shape from the background bitmap"
wine "$build/bin/region_bench.exe"
echo "== tray icon search against a stand-in shell"
wine "$build/bin/locator_bench.exe"
echo "== key to panel on the screen"
wine "$build/bin/panel_latency_bench.exe"
echo "== program with the simulated keypad"
/usr/bin/python3 "$(dirname "$0")/bench.py" "$build/simulator" "${@:2}"

#!/usr/bin/env bash
# Runs inside scripts/wine-env.sh: the benchmarks of the program with the
# simulated keypad and of the panel's window shape. BUILD_DIR is the cross
# build folder (build/win32 or build/win64).
set -uo pipefail
build=$1
echo "== measured: $(cat "$build/release/architecture.txt"), from $build;" \
  "Wine loader $LUMITRAX_WINE_LOADER ($LUMITRAX_WINE_ARCH prefix, $(wine --version))"
status=0
run() {
  echo "== $1"
  shift
  "$@" || status=1
}
# The shape, the icon search and the layout after a scale change are
# dominated by what each call into Wine costs here; their timing targets are
# printed for information, and only a wrong shape or an icon not found fails
# them.
run "panel shape from the background bitmap (timing informational under Wine)" \
  wine "$build/bin/region_bench.exe"
run "tray icon search against a stand-in shell (timing informational under Wine)" \
  wine "$build/bin/locator_bench.exe"
run "key to panel on the screen" wine "$build/bin/panel_latency_bench.exe"
run "display scale change to the panel laid out anew (timing informational under Wine)" \
  wine "$build/bin/dpi_bench.exe"
run "program with the simulated keypad" \
  /usr/bin/python3 "$(dirname "$0")/bench.py" "$build/simulator" "${@:2}"
echo "== make bench: $([ $status -eq 0 ] && echo every limit met || echo a limit was MISSED)"
exit "$status"

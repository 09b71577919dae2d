#!/usr/bin/env bash
# check-layering.py fails on an include that runs upwards and passes the
# same tree without it.
set -uo pipefail
script=$(cd "$(dirname "$0")/../../scripts" && pwd)/check-layering.py
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/controls" "$tree/app"
printf '#include "controls/Slider.h"\n' >"$tree/app/Panel.cpp"
printf '#pragma once\n' >"$tree/controls/Slider.h"
"$script" "$tree" >/dev/null || { echo "FAIL: a downward include was refused"; exit 1; }
printf '#include "app/Panel.h"\n' >"$tree/controls/Slider.cpp"
output=$("$script" "$tree") && { echo "FAIL: an upward include passed"; exit 1; }
case "$output" in
    *"controls/Slider.cpp:1: controls/ may not include app/"*) echo "ok: the upward include is named" ;;
    *) echo "FAIL: unexpected report: $output"; exit 1 ;;
esac

#!/usr/bin/env bash
# Wine starts Lumitrax.exe with its application manifest without a
# side-by-side error: from its start to its close (a close request, as
# taskkill without /f sends it) Wine prints no error or fixme line of its
# activation contexts (a dependent assembly it cannot find is a fixme), and
# the program ends with status 0. Runs inside scripts/wine-env.sh.
#
#   manifest_start_test.sh SIMULATOR_FOLDER
set -uo pipefail
cd "$1" || exit 1
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# A controller of this run's own.
export GPIDLL_SIM_NAME="LumitraxManifestTest$$"
# Wine writes its messages to the program's Unix standard error.
WINEDEBUG=-all,err+actctx,fixme+actctx,err+sxs,fixme+sxs timeout 120 wine Lumitrax.exe 2>"$log" &
program=$!
failures=0
# Started once it reads the input line.
if ! wine keypadctl.exe wait G any --timeout 60000 >/dev/null; then
    echo "FAIL: the program did not start polling"
    failures=1
fi
wine taskkill /im Lumitrax.exe >/dev/null 2>&1
wait "$program"
status=$?
if grep -E "(err|fixme):(actctx|sxs)" "$log"; then
    echo "FAIL: side-by-side errors (above)"
    failures=1
fi
if [ "$status" -ne 0 ]; then
    echo "FAIL: exit status $status"
    failures=1
fi
[ "$failures" -eq 0 ] && echo "ok: started and closed without a side-by-side error"

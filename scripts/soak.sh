#!/usr/bin/env bash
# Runs inside scripts/wine-env.sh (with --pulse --winxp): the long runs of
# make soak, each printing its table, and the soak's leak check tested on a
# run that leaks. BUILD_DIR is the cross build folder.
# All of them together have 900 s; a run that would go past them is ended,
# and one that has no time left is not started.
set -uo pipefail
bin=$1/bin
limit=900
status=0
started=$SECONDS
# run TITLE COMMAND...: runs COMMAND in the time left; its status in rc.
run_timed() {
  echo "== $1"
  shift
  local left=$((limit - (SECONDS - started)))
  if [ "$left" -le 0 ]; then
    echo "not run: the $limit s are used up"
    rc=124
    return
  fi
  timeout --kill-after=10 "$left" "$@"
  rc=$?
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "ended: the $limit s are used up"
    # A program the run had started must not be left for the next run.
    wine taskkill /F /IM Lumitrax.exe >/dev/null 2>&1
  fi
}
# run TITLE COMMAND...: the same; a run that fails fails make soak.
run() {
  run_timed "$@"
  [ "$rc" -eq 0 ] || status=1
}
run "soak: 50000 keys under a storm" env LUMITRAX_SOAK=full wine "$bin/soak.exe"
# The soak's leak check, tested: a run that leaks a bitmap every 1000 keys
# fails, and for its GDI objects.
log=$(mktemp)
run_timed "soak self-test: a bitmap leaked every 1000 keys is caught" \
  wine "$bin/soak.exe" --keys 11000 --leak-gdi >"$log" 2>&1
tail -n 12 "$log"
if [ "$rc" -eq 1 ] && grep -q "^FAIL: GDI objects grew" "$log"; then
  echo "the leak was caught"
else
  echo "the leak was NOT caught"
  status=1
fi
rm -f "$log"
run "fault matrix: every register, every fault" wine "$bin/fault_matrix.exe"
run "hostile input: 100000 messages and malformed values" \
  env LUMITRAX_SOAK=full wine "$bin/fuzz_tests.exe"
took=$((SECONDS - started))
echo "== make soak took $took s (limit $limit s): $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit "$status"

#!/usr/bin/env bash
# Runs inside scripts/wine-env.sh (with --pulse --winxp): the long runs of
# make soak, each printing its table. BUILD_DIR is the cross build folder.
# All of them together have 900 s; a run that would go past them is ended,
# and one that has no time left is not started.
set -uo pipefail
bin=$1/bin
limit=900
status=0
started=$SECONDS
run() {
  echo "== $1"
  shift
  local left=$((limit - (SECONDS - started)))
  if [ "$left" -le 0 ]; then
    echo "not run: the $limit s are used up"
    status=1
    return
  fi
  timeout --kill-after=10 "$left" "$@"
  local rc=$?
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "ended: the $limit s are used up"
    # A program the run had started must not be left for the next run.
    wine taskkill /F /IM Lumitrax.exe >/dev/null 2>&1
  fi
  [ "$rc" -eq 0 ] || status=1
}
run "soak: 50000 keys under a storm" env LUMITRAX_SOAK=full wine "$bin/soak.exe"
run "fault matrix: every register, every fault" wine "$bin/fault_matrix.exe"
run "hostile input: 100000 messages and malformed values" \
  env LUMITRAX_SOAK=full wine "$bin/fuzz_tests.exe"
took=$((SECONDS - started))
echo "== make soak took $took s (limit $limit s): $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit "$status"

#!/usr/bin/env bash
# Runs inside scripts/wine-env.sh (with --pulse --winxp): the long runs of
# make soak, each printing its table. BUILD_DIR is the cross build folder.
set -uo pipefail
bin=$1/bin
status=0
started=$SECONDS
run() {
  echo "== $1"
  shift
  "$@" || status=1
}
run "soak: 50000 keys under a storm" env LUMITRAX_SOAK=full wine "$bin/soak.exe"
run "fault matrix: every register, every fault" wine "$bin/fault_matrix.exe"
run "hostile input: 100000 messages and malformed values" \
  env LUMITRAX_SOAK=full wine "$bin/fuzz_tests.exe"
echo "== make soak took $((SECONDS - started)) s (limit 900 s): $([ $status -eq 0 ] && echo passed || echo FAILED)"
[ $((SECONDS - started)) -le 900 ] || status=1
exit "$status"

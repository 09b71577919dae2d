#!/usr/bin/env bash
# The choice of Windows build: what host-arch.sh answers, forced and by
# trying, and that wine-env.sh refuses 32-bit Wine on a host without 32-bit
# support with the real cause.
set -uo pipefail
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
failures=0
check() { # DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected '$2', got '$3'"
        failures=$((failures + 1))
    else
        echo "ok: $1"
    fi
}

check "forced 64-bit build" win64 "$(LUMITRAX_WIN_ARCH=win64 "$scripts/host-arch.sh")"
check "forced 64-bit build runs alone" win64 "$(LUMITRAX_WIN_ARCH=win64 "$scripts/host-arch.sh" --all)"
LUMITRAX_WIN_ARCH=win16 "$scripts/host-arch.sh" >/dev/null 2>&1
check "an unknown forced build is a usage error" 2 "$?"

primary=$(LUMITRAX_WIN_ARCH= "$scripts/host-arch.sh")
all=$(LUMITRAX_WIN_ARCH= "$scripts/host-arch.sh" --all)
check "the build used is the first the host runs" "$primary" "${all%% *}"
case "$all" in
    "win32 win64")
        check "a 32-bit host uses the product" win32 "$primary"
        check "and may be forced to it" win32 "$(LUMITRAX_WIN_ARCH=win32 "$scripts/host-arch.sh")"
        ;;
    win64)
        LUMITRAX_WIN_ARCH=win32 "$scripts/host-arch.sh" >/dev/null 2>&1
        check "32-bit forced where it cannot run fails" 1 "$?"
        message=$("$scripts/wine-env.sh" --arch win32 -- true 2>&1)
        check "wine-env refuses 32-bit Wine" 2 "$?"
        case "$message" in
            *"this host runs no 32-bit programs"*) check "wine-env names the cause" yes yes ;;
            *) check "wine-env names the cause" "this host runs no 32-bit programs" "$message" ;;
        esac
        ;;
    *) check "the runnable builds" "win32 win64 or win64" "$all" ;;
esac
why=$("$scripts/host-arch.sh" --why)
case "$why" in
    "Windows build: "*": "*) check "the reason is one line" yes yes ;;
    *) check "the reason is one line" "Windows build: ...: ..." "$why" ;;
esac
[ "$failures" -eq 0 ]

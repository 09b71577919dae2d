#!/usr/bin/env bash
# Tells which Windows builds this host can run under Wine, by trying it: a
# tiny 32-bit Linux program (93 bytes, no libraries) is executed and must exit
# with status 42. Hosts whose kernel has no 32-bit emulation refuse it with
# "Exec format error", and there Wine's 32-bit loader cannot start either.
#
#   host-arch.sh           the build to use: win32 (the product) or win64
#   host-arch.sh --all     every build the host can run: "win32 win64" or "win64"
#   host-arch.sh --why     one line saying which build is used and why
#
# LUMITRAX_WIN_ARCH=win64 forces the 64-bit path on any host (win32 forces the
# 32-bit one, which fails where it cannot run).
set -euo pipefail

runs_32bit() {
    local dir status=0
    dir=$(mktemp -d "${TMPDIR:-/tmp}/lumitrax-arch.XXXXXX")
    # ELF header, one loadable segment, then: xor ebx,ebx; mov bl,42;
    # xor eax,eax; inc eax (exit); int 0x80.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'`
          `'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'`
          `'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'`
          `'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'`
          `'\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00'`
          `'\x00\x10\x00\x00\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80' >"$dir/probe32"
    chmod +x "$dir/probe32"
    "$dir/probe32" 2>/dev/null || status=$?
    rm -rf "$dir"
    [ "$status" -eq 42 ]
}

forced="${LUMITRAX_WIN_ARCH:-}"
case "$forced" in
    "" | win32 | win64) ;;
    *) echo "host-arch: LUMITRAX_WIN_ARCH must be win32 or win64, not '$forced'" >&2; exit 2 ;;
esac

if runs_32bit; then
    all="win32 win64"
    reason="this host runs 32-bit programs"
else
    all="win64"
    reason="this host runs no 32-bit programs (the kernel refuses 32-bit code), so Wine's 32-bit loader cannot start"
fi

if [ -n "$forced" ]; then
    if [ "$forced" = win32 ] && [ "$all" = win64 ]; then
        echo "host-arch: LUMITRAX_WIN_ARCH=win32, but $reason" >&2
        exit 1
    fi
    primary=$forced
    all=$forced
    reason="LUMITRAX_WIN_ARCH=$forced chooses it ($reason)"
elif [ "$all" = win64 ]; then
    primary=win64
else
    primary=win32
fi

case "${1:-}" in
    "") echo "$primary" ;;
    --all) echo "$all" ;;
    --why)
        if [ "$primary" = win32 ]; then
            echo "Windows build: 32-bit (i686, the product) under 32-bit Wine: $reason."
        else
            echo "Windows build: 64-bit (x86_64) under 64-bit Wine: $reason."
        fi
        ;;
    *) echo "usage: host-arch.sh [--all|--why]" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from what clang-format
# (with the repository's .clang-format) makes of it; --fix rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is missing (run scripts/install-deps.sh)" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/check-format.$$; then
    grep -E '^[^ ].*: error' /tmp/check-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
    rm -f /tmp/check-format.$$
    echo "check-format: run scripts/check-format.sh --fix"
    exit 1
fi
rm -f /tmp/check-format.$$
echo "check-format: every file is formatted"

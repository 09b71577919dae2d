#!/usr/bin/env bash
# Builds the package from a cross build in the version resource's version
# (into OUT/new) and in an older one (OUT/old) for the tests under Wine, and
# reads both with msiinfo: a product code per version, one upgrade code, per
# machine, and none of the panel PC's files.
#
#   package_contents_test.sh ARCH BUILD_DIR OUT
set -uo pipefail
make_package=$(dirname "$0")/../../../dist/make_package.py
out=$3
rm -rf "$out"
"$make_package" --arch "$1" --build-dir "$2" --out "$out/new" || exit 1
"$make_package" --arch "$1" --build-dir "$2" --out "$out/old" --version 1.0.0.0 || exit 1
# table OLD|NEW TABLE: its rows. property OLD|NEW NAME. column TABLE N: the
# new package's column, sorted, on one line. guids VALUE...: how many
# different GUIDs they hold.
table() { msiinfo export "$out/$1"/*.msi "$2" | tr -d '\r' | tail -n +4; }
property() { table "$1" Property | awk -F'\t' -v name="$2" '$1 == name { print $2 }'; }
column() { table new "$1" | cut -f"$2" | sort | xargs; }
guids() { printf '%s\n' "$@" | sort -u | grep -cE '^\{[0-9A-F-]{36}\}$'; }

failures=0
check() { # DESCRIPTION EXPECTED ACTUAL
    [ "$2" = "$3" ] && echo "ok: $1" && return
    echo "FAIL: $1: expected '$2', got '$3'"
    failures=$((failures + 1))
}
check "a product code per version" 2 "$(guids "$(property old ProductCode)" "$(property new ProductCode)")"
check "one upgrade code" 1 "$(guids "$(property old UpgradeCode)" "$(property new UpgradeCode)")"
check "per machine" 1 "$(property new ALLUSERS)"
check "the older version" 1.0.0.0 "$(property old ProductVersion)"
check "the file names carry the version" "Lumitrax-$(property new ProductVersion)" \
    "$(basename "$out"/new/*.msi | cut -d- -f1-2 | sed 's/\.msi$//')"
check "the files: the program's alone" "Lumitrax.exe SystemHook.dll" "$(column File 3)"
check "the registry: the Run value alone" "Lumitrax" "$(column Registry 4)"
[ "$failures" -eq 0 ]

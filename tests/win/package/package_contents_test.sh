#!/usr/bin/env bash
# Builds the package from a cross build's release folder twice, in the
# version of the version resource (into OUT/new) and in an older one (into
# OUT/old), for the tests under Wine; and reads both back with msiinfo: a
# product code per version under one upgrade code, per machine, the
# architecture, and only the program's files and its Run value.
#
#   package_contents_test.sh ARCH BUILD_DIR OUT
set -uo pipefail
arch=$1 build=$2 out=$3
make_package=$(cd "$(dirname "$0")/../../.." && pwd)/dist/make_package.py
rm -rf "$out"
"$make_package" --arch "$arch" --build-dir "$build" --out "$out/new" || exit 1
"$make_package" --arch "$arch" --build-dir "$build" --out "$out/old" --version 1.0.0.0 || exit 1
new=$(echo "$out"/new/*.msi)
old=$(echo "$out"/old/*.msi)

failures=0
check() { # DESCRIPTION EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected '$2', got '$3'"
        failures=$((failures + 1))
    else
        echo "ok: $1"
    fi
}
# table PACKAGE TABLE: its rows, without the three header lines.
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
property() { table "$1" Property | awk -F'\t' -v name="$2" '$1 == name { print $2 }'; }

suffix=""
[ "$arch" = win32 ] || suffix="-$arch"
check "the name carries the version" "Lumitrax-$(property "$new" ProductVersion)$suffix.msi" \
    "$(basename "$new")"
check "the older package's version" 1.0.0.0 "$(property "$old" ProductVersion)"
new_code=$(property "$new" ProductCode)
old_code=$(property "$old" ProductCode)
distinct_codes="$old_code, $new_code"
[[ "$old_code" =~ ^\{[0-9A-F-]{36}\}$ && "$new_code" =~ ^\{[0-9A-F-]{36}\}$ &&
    "$old_code" != "$new_code" ]] && distinct_codes=distinct
check "a product code per version" distinct "$distinct_codes"
check "one upgrade code for both versions" "$(property "$old" UpgradeCode)" \
    "$(property "$new" UpgradeCode)"
check "per machine" 1 "$(property "$new" ALLUSERS)"
template=Intel
[ "$arch" = win32 ] || template=x64
check "the architecture" "Template: $template;1033" "$(msiinfo suminfo "$new" | grep '^Template:')"
check "the files: the program and its hook library" "Lumitrax.exe SystemHook.dll" \
    "$(table "$new" File | cut -f3 | sort | xargs)"
check "the registry: the Run value" \
    "2 Software\\Microsoft\\Windows\\CurrentVersion\\Run Lumitrax \"[#LumitraxExe]\"" \
    "$(table "$new" Registry | cut -f2-5 | tr '\t' ' ')"
check "the zip: the release folder" \
    "$(cd "$build/release" && ls | sed "s|^|Lumitrax-$(property "$new" ProductVersion)$suffix/|" | xargs)" \
    "$(python3 -m zipfile -l "${new%.msi}.zip" | tail -n +2 | awk '{ print $1 }' | sort | xargs)"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }

#!/usr/bin/env bash
# Builds the package from a cross build in the version resource's version
# (into OUT/new) and in an older one (OUT/old) for the tests under Wine, each
# with the program it carries beside it: the older one's program is marked at
# its end, so that the tests can tell which one is installed. Reads both with
# msiinfo: a product code per version, one upgrade code, per machine, none of
# the panel PC's files, and the actions in their places.
#
#   package_contents_test.sh ARCH BUILD_DIR OUT
set -uo pipefail
make_package=$(dirname "$0")/../../../dist/make_package.py
build=$(realpath "$2")
out=$3
rm -rf "$out"
mkdir -p "$out/old-build" && cp -r "$build/release" "$out/old-build/" &&
    ln -s "$build/res" "$build/bin" "$out/old-build/" &&
    printf 'older package' >>"$out/old-build/release/Lumitrax.exe" || exit 1
"$make_package" --arch "$1" --build-dir "$build" --out "$out/new" || exit 1
"$make_package" --arch "$1" --build-dir "$out/old-build" --out "$out/old" --version 1.0.0.0 ||
    exit 1
cp "$build/release/Lumitrax.exe" "$out/new/" && cp "$out/old-build/release/Lumitrax.exe" "$out/old/" ||
    exit 1
# table OLD|NEW TABLE: its rows. property OLD|NEW NAME. column TABLE N: the
# new package's column, sorted, on one line. guids VALUE...: how many
# different GUIDs they hold. action NAME [FIELD]: the new package's
# InstallExecuteSequence row of an action (its sequence unless FIELD names
# another). in_order ACTION...: "yes" when they run in that order.
table() { msiinfo export "$out/$1"/*.msi "$2" | tr -d '\r' | tail -n +4; }
property() { table "$1" Property | awk -F'\t' -v name="$2" '$1 == name { print $2 }'; }
column() { table new "$1" | cut -f"$2" | sort | xargs; }
guids() { printf '%s\n' "$@" | sort -u | grep -cE '^\{[0-9A-F-]{36}\}$'; }
action() { table new InstallExecuteSequence | awk -F'\t' -v a="$1" -v f="${2:-3}" '$1 == a { print $f }'; }
in_order() {
    local last=-1 sequence
    for a in "$@"; do
        sequence=$(action "$a")
        if [ -z "$sequence" ] || [ "$sequence" -le "$last" ]; then echo "no: $a"; return; fi
        last=$sequence
    done
    echo yes
}

failures=0
check() { # DESCRIPTION EXPECTED ACTUAL
    [ "$2" = "$3" ] && echo "ok: $1" && return
    echo "FAIL: $1: expected '$2', got '$3'"
    failures=$((failures + 1))
}
version=$(property new ProductVersion)
upgrade_code=$(property new UpgradeCode)
check "a product code per version" 2 "$(guids "$(property old ProductCode)" "$(property new ProductCode)")"
check "one upgrade code" 1 "$(guids "$(property old UpgradeCode)" "$upgrade_code")"
check "per machine" 1 "$(property new ALLUSERS)"
check "never a restart by itself" ReallySuppress "$(property new REBOOT)"
check "the older version" 1.0.0.0 "$(property old ProductVersion)"
check "the file names carry the version" "Lumitrax-$version" \
    "$(basename "$out"/new/*.msi | cut -d- -f1-2 | sed 's/\.msi$//')"
check "the files: the program's alone" "Lumitrax.exe SystemHook.dll" "$(column File 3)"
check "the registry: the Run value alone, for every user" \
    '2 Software\Microsoft\Windows\CurrentVersion\Run Lumitrax "[#LumitraxExe]"' \
    "$(table new Registry | cut -f2-5 | tr '\t' ' ')"
check "older versions replaced, newer ones detected and refused" \
    "WIX_DOWNGRADE_DETECTED $upgrade_code above $version only detected
WIX_UPGRADE_DETECTED $upgrade_code below $version replaced" \
    "$(table new Upgrade | awk -F'\t' '{
        print $7, $1, ($2 != "" ? "above " $2 : "below " $3), ($5 == 2 ? "only detected" : "replaced")
    }' | sort)"
check "a newer version refused at the launch conditions" "NOT WIX_DOWNGRADE_DETECTED" \
    "$(column LaunchCondition 1)"
check "copies closed once the package may go ahead, before files are looked at" yes \
    "$(in_order FindRelatedProducts LaunchConditions MigrateFeatureStates CloseRunningCopies \
        InstallValidate RemoveExistingProducts)"
check "copies of other sessions closed before files change" yes \
    "$(in_order InstallInitialize CloseCopiesInOtherSessions ProcessComponents RemoveFiles InstallFiles)"
check "copies of other sessions closed from the script, as the system (deferred, not impersonated)" \
    3073 "$(table new CustomAction | awk -F'\t' '$1 == "CloseCopiesInOtherSessions" { print $2 }')"
check "the program started after an installation with a user interface" \
    "yes NOT REMOVE AND UILevel > 2" "$(in_order InstallFinalize StartLumitrax) $(action StartLumitrax 2)"
[ "$failures" -eq 0 ]

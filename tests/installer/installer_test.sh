#!/usr/bin/env bash
# installer_test.sh WINE-RUN PREFIX SETUP-EXE
set -euo pipefail
wine=$1 prefix=$2 setup=$3
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Penwick'
fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to a minute for a condition: the installer and uninstaller finish in processes of
# their own (the uninstaller runs from a copy of itself, so that it can delete the original).
wait_for() {
    for _ in $(seq 120); do
        if eval "$1"; then return 0; fi
        sleep 0.5
    done
    return 1
}

"$wine" "$setup" /S
location=$("$wine" reg query "$key" /v InstallLocation 2>/dev/null | tr -d '\r' |
           sed -n 's/.*REG_SZ[[:space:]]*//p')
[ -n "$location" ] || fail "no uninstall entry in the registry"
case "$location" in *'\Program Files\Penwick'|*'\Program Files (x86)\Penwick') ;;
    *) fail "installed in $location, not under Program Files" ;; esac
folder=$(WINEPREFIX=$prefix WINEDEBUG=-all winepath -u "$location" 2>/dev/null ||
         "$wine" winepath -u "$location")
folder=${folder%$'\r'}
[ -f "$folder/penwick.exe" ] || fail "penwick.exe missing in $folder"
[ -f "$folder/uninstall.exe" ] || fail "uninstall.exe missing in $folder"
shortcut=$(find "$prefix/drive_c" -path '*Start Menu/Programs/Penwick.lnk' | head -n 1)
[ -n "$shortcut" ] || fail "no Start-menu entry"
uninstall=$("$wine" reg query "$key" /v QuietUninstallString 2>/dev/null | tr -d '\r')
[[ "$uninstall" == *'uninstall.exe" /S'* ]] || fail "no quiet uninstall command: $uninstall"

"$wine" "$folder/uninstall.exe" /S
wait_for '[ ! -e "$folder" ]' || fail "$folder still there after uninstalling: $(ls "$folder")"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
if "$wine" reg query "$key" >/dev/null 2>&1; then fail "the uninstall entry is still there"; fi
echo "installed into $location and removed again"

#!/usr/bin/env bash
# Installs the Windows installer silently under Wine, in a Wine prefix of its own, checks the
# program and its Start-menu entry, starts the installed program on a virtual display, then
# uninstalls silently and checks that the program is gone.
#   tests/packages/check-windows-installer.sh <quillane-*-win64.exe>
set -euo pipefail
installer=$(realpath "$1")
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fail() { echo "check-windows-installer: $*" >&2; exit 1; }
# A key under Software\Classes, for all users (an administrator's installation) or for the current one.
classes_query() {
    DISPLAY= wine reg query 'HKLM\Software\Classes\'"$1" "${@:2}" 2>/dev/null ||
        DISPLAY= wine reg query 'HKCU\Software\Classes\'"$1" "${@:2}" 2>/dev/null
}

# The watch the installer starts at logon when asked to (/WATCH=<folder>).
watch_at_logon() {
    for hive in HKLM HKCU; do
        DISPLAY= wine reg query "$hive\Software\Microsoft\Windows\CurrentVersion\Run" /v 'Quillane split watch' 2>/dev/null || true
    done
}

# Every registry key of the machine and of the user, one per line.
registry_keys() {
    for hive in HKLM HKCU; do
        DISPLAY= wine reg export "$hive\\Software" "$work/export.reg" /y >/dev/null 2>&1 || fail "reg export $hive failed"
        iconv -f UTF-16LE -t UTF-8 "$work/export.reg" | tr -d '\r' | grep '^\[' || true
    done | sort
}

DISPLAY= wineboot --init >/dev/null 2>&1
wineserver --wait
registry_keys >"$work/keys-before"
DISPLAY= wine "$installer" /S '/WATCH=C:\scans'
wineserver --wait
program=$(find "$WINEPREFIX/drive_c" -path '*/Quillane/quillane.exe' | head -n 1)
[ -n "$program" ] || fail "quillane.exe was not installed"
folder=$(dirname "$program")
[ -f "$folder/Uninstall.exe" ] || fail "no uninstaller beside the program"
find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Quillane/Quillane.lnk' | grep -q . || fail "no Start-menu entry"
[ "$(DISPLAY= wine "$folder/quillane-split.exe" --version | tr -d '\r')" = "quillane-split 1.6.3.1 (A.6.3.1)" ] ||
    fail "quillane-split.exe was not installed or does not run"
[ -f "$folder/quillane-splitw.exe" ] || fail "quillane-splitw.exe was not installed"
watch_at_logon | tr -d '\r' | grep -qF 'quillane-splitw.exe" --watch "C:\scans"' || fail "no watch of C:\scans at logon"
# "Open with" for .tif and .tiff, without becoming their default program.
classes_query 'Applications\quillane.exe\shell\open\command' /ve | tr -d '\r' | grep -qF 'quillane.exe" "%1"' ||
    fail "quillane.exe is not registered to open files"
for type in .tif .tiff; do
    classes_query "Applications\quillane.exe\SupportedTypes" /v "$type" >/dev/null || fail "$type is not among its types"
    classes_query "$type\OpenWithList\quillane.exe" >/dev/null || fail "quillane.exe is not in the Open with list of $type"
    ! classes_query "$type" /ve 2>/dev/null | grep -qi quillane || fail "the installer made itself the default for $type"
done
# The server started without a display must be gone before the window program starts.
wineserver --wait

# The installed program starts, opens its window and reads its settings, which creates its
# registry key.
xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" bash -c '
    wine "$0" &
    for attempt in $(seq 60); do
        wine reg query "HKCU\\software\\Velmora\\DarozAvazi\\quillane" >/dev/null 2>&1 && break
        sleep 0.5
    done
    wineserver -k' "$program"
wine reg query 'HKCU\software\Velmora\DarozAvazi\quillane' >/dev/null 2>&1 || fail "the installed program did not start"

DISPLAY= wine "$folder/Uninstall.exe" /S
wineserver --wait
for attempt in $(seq 60); do [ -e "$program" ] || break; sleep 0.5; done
[ ! -e "$program" ] || fail "quillane.exe is still there after the uninstaller ran"
! watch_at_logon | grep -q quillane-splitw || fail "the uninstaller left the watch at logon behind"
for key in 'Applications\quillane.exe' '.tif\OpenWithList\quillane.exe' '.tiff\OpenWithList\quillane.exe'; do
    ! classes_query "$key" >/dev/null || fail "the uninstaller left $key behind"
done
wineserver --wait
# No key the installer made is left, empty or not. The program's own settings are the user's
# and stay; Wine keeps notes of its own on the programs it ran and the windows it showed.
registry_keys >"$work/keys-after"
left=$(comm -13 "$work/keys-before" "$work/keys-after" |
    grep -v -e '\\Velmora\\DarozAvazi' -e '^\[HKEY_CURRENT_USER\\Software\\Velmora\]$' -e '\\Software\\Wine\\' || true)
[ -z "$left" ] || fail "the uninstaller left these keys behind:
$left"
wineserver --wait
echo "check-windows-installer: installed, started and uninstalled $(basename "$installer")"

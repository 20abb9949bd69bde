#!/usr/bin/env bash
# Installs the Windows installer silently under Wine, in a Wine prefix of its own, on a virtual
# display: the watch at logon with the folder given in each form a shell hands over (a drive
# root, a folder with spaces, quoted two ways), then a silent reinstall, which keeps the watch and
# starts it again. It checks the program, its Start-menu entry and "Open with", that the watch
# splits a scan that arrives, starts the installed program, uninstalls silently and checks that
# the registry is as it was before the installation: nothing left behind, nothing taken away.
#   tests/packages/check-windows-installer.sh [--registry-only] <quillane-*-win64.exe>
# --registry-only installs and uninstalls without a watch and compares the registry only.
# With QUILLANE_SIGN_CERT set, the installer, the uninstaller and every installed program must
# carry a valid signature by that certificate (osslsigncode verify).
set -euo pipefail
registry_only=false
if [ "${1:-}" = --registry-only ]; then registry_only=true; shift; fi
installer=$(realpath "$1")
if [ -z "${QUILLANE_CHECK_DISPLAY:-}" ]; then
    exec env QUILLANE_CHECK_DISPLAY=1 xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" "$0" \
        $($registry_only && echo --registry-only) "$installer"
fi
here=$(cd "$(dirname "$0")/../.." && pwd)
scan="$here/fuzz/corpus/two-channels-4x3.tif"
work=$(mktemp -d)
trap 'WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fail() { echo "check-windows-installer: $*" >&2; exit 1; }
trap 'echo "check-windows-installer: a command failed at line $LINENO" >&2' ERR
run_key='Software\Microsoft\Windows\CurrentVersion\Run'

# A key under Software\Classes, for all users (an administrator's installation) or for the current one.
classes_query() {
    wine reg query 'HKLM\Software\Classes\'"$1" "${@:2}" 2>/dev/null ||
        wine reg query 'HKCU\Software\Classes\'"$1" "${@:2}" 2>/dev/null
}
# The command of the watch at logon in one hive's Run key, or nothing.
watch_command() {
    wine reg query "$1\\$run_key" /v 'Quillane split watch' 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *Quillane split watch *REG_SZ *//p'
}

# The registry of the machine and of the user, one line per key and per value ("[key]" and
# "[key] name=data"). Not compared, being Wine's and not the installer's: what Wine writes of
# the machine as it finds it (display adapters and monitors, driver dates, the devices it links,
# network cards, the drives it has mounted), its services' counter, the display session and its
# first console window. The program's own settings are the user's and stay.
registry() {
    for hive in HKLM HKCU; do
        wine reg export "$hive" "$work/export.reg" /y >/dev/null 2>&1 || fail "reg export $hive failed"
        iconv -f UTF-16LE -t UTF-8 "$work/export.reg" | tr -d '\r' | awk '
            /\\$/ { sub(/^ +/, ""); pending = pending substr($0, 1, length($0) - 1); next }
            { sub(/^ +/, ""); line = pending $0; pending = "" }
            line ~ /^\[/ { key = line; print key; next }
            line == "" || line ~ /Windows Registry Editor/ { next }
            { print key " " line }'
    done | grep -v -e '^\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\' -e '"DriverDateData"=' \
        -e '^\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\{4D36E96[8E]-' \
        -e '^\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\\(DeviceClasses\\\|ServiceCurrent\]\)' \
        -e '\\Windows NT\\CurrentVersion\\NetworkCards\\' -e '^\[HKEY_LOCAL_MACHINE\\System\\MountedDevices\]' \
        -e '^\[HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters\\' -e '^\[HKEY_CURRENT_USER\\Console\]' \
        -e '^\[HKEY_CURRENT_USER\\Software\\Velmora\]$' -e '^\[HKEY_CURRENT_USER\\Software\\Velmora\\DarozAvazi' | LC_ALL=C sort
}

# Runs the installer with a command line exactly as given, as a deployment tool's would be
# (wine itself would quote each argument again): through a batch file, which waits for it.
install() {
    printf '@"%s" %s\r\n' "$(winepath -w "$installer")" "$1" >"$work/install.bat"
    wine cmd /c "$(winepath -w "$work/install.bat")" >/dev/null 2>&1 || fail "the installer failed: $1"
}
uninstall() {
    wine "$folder/Uninstall.exe" /S
    for attempt in $(seq 60); do [ -e "$folder/quillane.exe" ] || break; sleep 0.5; done
    [ ! -e "$folder/quillane.exe" ] || fail "quillane.exe is still there after the uninstaller ran"
}
# The watch runs on its folder: a scan copied in is split within a minute.
watch_splits() {
    cp "$scan" "$1/$2.tif"
    for attempt in $(seq 120); do
        [ -s "$1/Red$2.tif" ] && [ -s "$1/Green$2.tif" ] && return 0
        sleep 0.5
    done
    fail "the watch did not split $2.tif in $1 ($3)"
}

wineboot --init >/dev/null 2>&1
# Drive D: is a folder here; the machine's and the user's Run keys exist, empty, as on Windows.
mkdir "$work/d"
ln -s "$work/d" "$WINEPREFIX/dosdevices/d:"
wine reg add "HKLM\\$run_key" /f >/dev/null 2>&1
wine reg add "HKCU\\$run_key" /f >/dev/null 2>&1
registry >"$work/registry-before"

if $registry_only; then
    install /S
else
    install '/S /PATH /WATCH=D:\'
fi
program=$(find "$WINEPREFIX/drive_c" -path '*/Quillane/quillane.exe' -print -quit)
[ -n "$program" ] || fail "quillane.exe was not installed"
folder=$(dirname "$program")
windows_folder=$(winepath -w "$folder")

if ! $registry_only; then
    [ -f "$folder/Uninstall.exe" ] || fail "no uninstaller beside the program"
    for entry in Quillane 'quillane-split manual'; do
        [ -n "$(find "$WINEPREFIX/drive_c" -path "*Start Menu/Programs/Quillane/$entry.lnk" -print -quit)" ] ||
            fail "no Start-menu entry $entry"
    done
    grep -q '<h2>NAME' "$folder/quillane-split.html" || fail "no manual page as HTML"
    # The README is written for Windows, with its line ends.
    [ "$(grep -c $'\r$' "$folder/README.txt")" -eq "$(wc -l <"$folder/README.txt")" ] || fail "README.txt has lines without CRLF"
    [ "$(wine "$folder/quillane-split.exe" --version | tr -d '\r')" = "quillane-split 1.6.3.1 (A.6.3.1)" ] ||
        fail "quillane-split.exe was not installed or does not run"
    [ -f "$folder/quillane-splitw.exe" ] || fail "quillane-splitw.exe was not installed"
    if [ -n "${QUILLANE_SIGN_CERT:-}" ]; then
        for signed in "$installer" "$folder"/*.exe; do
            osslsigncode verify -CAfile "$QUILLANE_SIGN_CERT" -in "$signed" >"$work/verify.log" 2>&1 ||
                fail "$(basename "$signed") carries no valid signature: $(tail -n 3 "$work/verify.log")"
        done
    fi
    # "Open with" for .tif and .tiff, without becoming their default program.
    classes_query 'Applications\quillane.exe\shell\open\command' /ve | tr -d '\r' | grep -qF 'quillane.exe" "%1"' ||
        fail "quillane.exe is not registered to open files"
    for type in .tif .tiff; do
        classes_query "Applications\quillane.exe\SupportedTypes" /v "$type" >/dev/null || fail "$type is not among its types"
        classes_query "$type\OpenWithList\quillane.exe" >/dev/null || fail "quillane.exe is not in the Open with list of $type"
        ! classes_query "$type" /ve 2>/dev/null | grep -qi quillane || fail "the installer made itself the default for $type"
    done

    # The watch belongs to the user who asked for it, and Windows splits its command line so
    # that the program gets the folder as given: a drive root's backslash is doubled before the
    # closing quote.
    expected="\"$windows_folder\\quillane-splitw.exe\" --watch"
    [ "$(watch_command HKCU)" = "$expected \"D:\\\\\"" ] || fail "the watch of D:\\ at logon is: $(watch_command HKCU)"
    [ -z "$(watch_command HKLM)" ] || fail "the watch was written for every user"
    watch_splits "$work/d" root "installed with /WATCH=D:\\"

    # A silent reinstall (an upgrade) keeps the watch, and it runs again.
    install /S
    [ "$(watch_command HKCU)" = "$expected \"D:\\\\\"" ] || fail "the reinstall did not keep the watch: $(watch_command HKCU)"
    watch_splits "$work/d" again "after a silent reinstall"
    # It has kept quillane-split.exe on the machine's PATH too, once.
    wine reg query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment' /v Path | tr -d '\r' |
        tr ';' '\n' | grep -cxF "$windows_folder" | grep -qx 1 || fail "the program's folder is not on PATH once"

    # Folders with spaces, quoted around the option or around the folder, are made and watched.
    for option in '"/WATCH=C:\Lab Scans"' '/WATCH="C:\Lab Scans 2"'; do
        install "/S $option"
        name=${option#*\\}
        name=${name%\"}
        [ "$(watch_command HKCU)" = "$expected \"C:\\$name\"" ] || fail "the watch given as $option is: $(watch_command HKCU)"
        [ -d "$WINEPREFIX/drive_c/$name" ] || fail "the installer did not make the folder C:\\$name"
    done
    watch_splits "$WINEPREFIX/drive_c/Lab Scans 2" spaces "installed with /WATCH=\"C:\\Lab Scans 2\""

    # The installed program starts, opens its window and reads its settings, which creates its
    # registry key.
    wine "$program" &
    for attempt in $(seq 60); do
        wine reg query 'HKCU\software\Velmora\DarozAvazi\quillane' >/dev/null 2>&1 && break
        sleep 0.5
    done
    wine reg query 'HKCU\software\Velmora\DarozAvazi\quillane' >/dev/null 2>&1 || fail "the installed program did not start"
    wineserver -k
    wineserver --wait
fi

uninstall
[ -z "$(watch_command HKCU)$(watch_command HKLM)" ] || fail "the uninstaller left the watch at logon behind"
# The uninstaller has ended once nothing runs in the prefix.
wineserver --wait
registry >"$work/registry-after"
changes=$(diff "$work/registry-before" "$work/registry-after" | sed -n 's/^< /taken away: /p; s/^> /left behind: /p' || true)
[ -z "$changes" ] || fail "the registry after the uninstallation is not the registry before the installation:
$changes"

if ! $registry_only; then
    # For the current user alone: the files in the user's own programs folder, keys and PATH
    # only the user's; the uninstaller leaves the registry as it was here too.
    install '/S /CurrentUser /PATH'
    program=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Programs/Quillane/quillane.exe' -print -quit)
    [ -n "$program" ] || fail "/CurrentUser did not install into the user's programs folder"
    folder=$(dirname "$program")
    [ ! -e "$WINEPREFIX/drive_c/Program Files/Quillane" ] || fail "/CurrentUser installed into Program Files"
    wineserver --wait
    registry >"$work/registry-user"
    machine=$(diff "$work/registry-before" "$work/registry-user" | grep '^[<>]' | grep -v '^> \[HKEY_CURRENT_USER\\' || true)
    [ -z "$machine" ] || fail "/CurrentUser changed the machine's registry: $machine"
    wine reg query 'HKCU\Environment' /v Path | tr -d '\r' | grep -qF "$(winepath -w "$folder")" || fail "/CurrentUser /PATH: not on the user's PATH"
    uninstall
    wineserver --wait
    registry >"$work/registry-after"
    cmp -s "$work/registry-before" "$work/registry-after" ||
        fail "the per-user uninstallation changed the registry: $(diff "$work/registry-before" "$work/registry-after" | head -n 5)"
fi
echo "check-windows-installer: installed, started and uninstalled $(basename "$installer"), the registry as it was"

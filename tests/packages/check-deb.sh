#!/usr/bin/env bash
# Installs the .deb with apt-get on this system, checks what it put in place, starts the
# program offscreen and removes the package again. Needs root.
#   tests/packages/check-deb.sh <quillane_*.deb>
set -euo pipefail
deb=$(realpath "$1")
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive

fail() { echo "check-deb: $*" >&2; exit 1; }
if dpkg-query -W -f='${Status}' quillane 2>/dev/null | grep -q 'install ok installed'; then
    fail "a quillane package is installed already; remove it first"
fi
trap '"${as_root[@]}" apt-get remove -y quillane >/dev/null 2>&1 || true' EXIT

"${as_root[@]}" apt-get install -y --no-install-recommends "$deb" >/dev/null
[ -x /usr/bin/quillane ] || fail "no /usr/bin/quillane"
grep -q '^Exec=quillane %F$' /usr/share/applications/quillane.desktop || fail "no desktop entry"
[ -f /usr/share/pixmaps/quillane.xpm ] || fail "no icon"
[ -f /usr/share/man/man1/quillane-split.1 ] || fail "no manual page for quillane-split"
[ "$(quillane-split --version)" = "quillane-split 1.6.3.1 (A.6.3.1)" ] || fail "quillane-split does not run"

# Started offscreen, the program opens its window and reads its settings, which creates their
# folder; it is still running when the time is up.
settings=$(mktemp -d)
status=0
XDG_CONFIG_HOME=$settings QT_QPA_PLATFORM=offscreen timeout 10 quillane || status=$?
[ "$status" -eq 124 ] || fail "the program ended by itself (status $status) instead of showing its window"
[ -d "$settings/Velmora/DarozAvazi" ] || fail "the program did not open its settings store"
rm -rf "$settings"

"${as_root[@]}" apt-get remove -y quillane >/dev/null
[ ! -e /usr/bin/quillane ] || fail "the program is still there after removal"
[ ! -e /usr/bin/quillane-split ] || fail "quillane-split is still there after removal"
trap - EXIT
echo "check-deb: installed, started and removed $(basename "$deb")"

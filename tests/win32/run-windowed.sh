#!/usr/bin/env bash
# Runs a Windows test program that opens windows under Wine. Where a display is there for the
# whole suite (QUILLANE_WINE_DISPLAY: scripts/test starts one before the suite's prefix, so that
# its desktop has it), the program runs on it in the suite's prefix. Otherwise on a virtual
# display of its own, in a Wine prefix beside the suite's (<prefix>-windowed): a window can only
# be shown on a Wine desktop that was started with a display, and the suite's prefix may keep a
# desktop started without one; here the desktop ends with its display, and the next program
# starts a new one.
#   run-windowed.sh <program.exe> [arguments]
set -uo pipefail
if [ -n "${QUILLANE_WINE_DISPLAY:-}" ]; then
    DISPLAY=$QUILLANE_WINE_DISPLAY exec wine "$@"
fi
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}-windowed"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$WINEPREFIX"
xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" wine "$@"
status=$?
# The next program must not start just as this prefix's server is quitting.
wineserver --wait
exit $status

#!/usr/bin/env bash
# Takes docs/windows-main-window.png, docs/windows-about-box.png,
# docs/windows-main-window-splitting.png (three scans being split) and docs/windows-preview.png (a
# scan that looks like a scanned slide): the native window under Wine
# on a virtual display, inside Wine's own desktop so that it has its frame and caption.
#   tests/win32/take-screenshots.sh [Windows build folder]   (default build/helper-ui-win)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/helper-ui-win}
cmake --build "$build" --target win32_screenshots
driver=$build/tests/win32_screenshots.exe
export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wineprefix} WINEDEBUG=-all
output=$(mktemp -d)
trap 'rm -rf "$output"' EXIT

shoot() {  # shoot <mode> <picture> [seconds to wait before]
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
        wine explorer /desktop=quillane,1024x768 "$0" "$1" > "$3/geometry" &
        while [ ! -s "$3/geometry" ]; do sleep 0.2; done
        sleep $4
        import -window root -crop "$(tr -d "\r" < "$3/geometry")" +repage "$2"
        wineserver -k' "$driver" "$1" "$2" "$output" "${3:-2}"
}

shoot main docs/windows-main-window.png
shoot about docs/windows-about-box.png
shoot run docs/windows-main-window-splitting.png 5  # in the second file
shoot preview docs/windows-preview.png 4
rm -rf "$WINEPREFIX/drive_c/Lab"
echo "docs/windows-main-window.png, docs/windows-about-box.png, docs/windows-main-window-splitting.png and docs/windows-preview.png written"

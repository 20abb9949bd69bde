#!/usr/bin/env bash
# Takes docs/windows-main-window.png, docs/windows-about-box.png,
# docs/windows-main-window-splitting.png (three scans being split) and docs/windows-preview.png (a
# scan that looks like a scanned slide): the native window under Wine
# on a virtual display, inside Wine's own desktop so that it has its frame and caption; then the
# main window and the preview at 150 % (LogPixels 144) on a 1280 x 1024 screen, resized smaller
# and larger, and the preview zoomed (docs/windows-150-*.png).
#   tests/win32/take-screenshots.sh [Windows build folder]   (default build/helper-ui-win)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/helper-ui-win}
cmake --build "$build" --target win32_screenshots
driver=$build/tests/win32_screenshots.exe
export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wineprefix} WINEDEBUG=-all
output=$(mktemp -d)
trap 'rm -rf "$output"' EXIT

# Wine's scale, in dots per inch; 96 is 100 %.
scale() { wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f > /dev/null; wineserver -w; }
scale 96

screen=1024x768
shoot() {  # shoot <mode> <picture> [seconds to wait before] [window size]
    xvfb-run -a -s "-screen 0 ${screen}x24 -dpi 96" bash -c '
        wine explorer /desktop=quillane,$5 "$0" "$1" $6 > "$3/geometry" &
        while [ ! -s "$3/geometry" ]; do sleep 0.2; done
        sleep $4
        import -window root -crop "$(tr -d "\r" < "$3/geometry")" +repage "$2"
        wineserver -k' "$driver" "$1" "$2" "$output" "${3:-2}" "$screen" "${4:-}"
}

shoot main docs/windows-main-window.png
shoot about docs/windows-about-box.png
shoot run docs/windows-main-window-splitting.png 5  # in the second file
shoot preview docs/windows-preview.png 4

# At 150 %: the smallest the windows allow, and larger than they open.
scale 144
screen=1280x1024
shoot main docs/windows-150-main-window-small.png 2 1x1
shoot main docs/windows-150-main-window-large.png 2 1000x900
shoot preview docs/windows-150-preview-small.png 4 1x1
shoot preview docs/windows-150-preview-large.png 4 1270x980
shoot preview-zoomed docs/windows-150-preview-zoomed.png 40 1270x980  # 1.1 GiB read first
scale 96
# Small enough for the README: a palette of 256 colours, which the windows hardly exceed.
mogrify -colors 256 docs/windows-150-*.png
rm -rf "$WINEPREFIX/drive_c/Lab"
echo "docs/windows-*.png written"

#!/usr/bin/env bash
# Takes docs/main-window.png, docs/about-box.png, docs/main-window-splitting.png (three scans
# being split) and docs/preview.png (a scan that looks like a scanned slide) under a virtual display:
#   tests/ui/take-screenshots.sh [build folder]   (default build/helper-ui; builds ui_screenshots)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/helper-ui}
cmake --build "$build" --target ui_screenshots
driver=$build/tests/ui_screenshots

settings=$(mktemp -d)
trap 'rm -rf "$settings" /tmp/quillane-screenshots' EXIT
export XDG_CONFIG_HOME=$settings

shoot() {  # shoot <mode> <picture> [seconds to wait before]
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
        "$0" "$1" > "$3/geometry" &
        driver=$!
        while [ ! -s "$3/geometry" ]; do sleep 0.2; done
        sleep ${4:-1}
        import -window root -crop "$(cat "$3/geometry")" +repage "$2"
        kill $driver' "$driver" "$1" "$2" "$settings" "${3:-1}"
}

shoot main docs/main-window.png
shoot about docs/about-box.png
shoot run docs/main-window-splitting.png 4  # in the second file
shoot preview docs/preview.png 2
echo "docs/main-window.png, docs/about-box.png, docs/main-window-splitting.png and docs/preview.png written"

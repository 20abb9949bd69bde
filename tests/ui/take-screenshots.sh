#!/usr/bin/env bash
# Takes docs/main-window.png, docs/about-box.png, docs/main-window-splitting.png (three scans
# being split) and docs/preview.png (a scan that looks like a scanned slide) under a virtual display,
# and, given a 10000 × 30000 slide (quillane_make_scan 10000 30000 SLIDE --spots), the preview of
# it at fit (docs/preview-fit.png) and at 1 : 1 on a few spots (docs/preview-spots.png):
#   tests/ui/take-screenshots.sh [build folder [SLIDE]]   (default build/helper-ui; builds ui_screenshots)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/helper-ui}
slide=${2:-}
cmake --build "$build" --target ui_screenshots
driver=$build/tests/ui_screenshots

settings=$(mktemp -d)
trap 'rm -rf "$settings" /tmp/quillane-screenshots' EXIT
export XDG_CONFIG_HOME=$settings

shoot() {  # shoot <mode> <picture> [seconds to wait before [the driver's further arguments]]
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
        "$0" "$1" ${5:-} > "$3/geometry" &
        driver=$!
        while [ ! -s "$3/geometry" ]; do sleep 0.2; done
        sleep ${4:-1}
        import -window root -crop "$(cat "$3/geometry")" +repage "$2"
        rm "$3/geometry"
        kill $driver' "$driver" "$1" "$2" "$settings" "${3:-1}" "${4:-}"
}

shoot main docs/main-window.png
shoot about docs/about-box.png
shoot run docs/main-window-splitting.png 4  # in the second file
shoot preview docs/preview.png 2
echo "docs/main-window.png, docs/about-box.png, docs/main-window-splitting.png and docs/preview.png written"
if [ -n "$slide" ]; then
    shoot preview docs/preview-fit.png 1 "$slide"
    shoot preview docs/preview-spots.png 1 "$slide 5000 15000"  # the middle of the slide
    # A slide's noise compresses badly: 256 colours keep each picture under 200 KB.
    for picture in docs/preview-fit.png docs/preview-spots.png; do convert "$picture" -colors 256 PNG8:"$picture"; done
    echo "docs/preview-fit.png and docs/preview-spots.png written"
fi

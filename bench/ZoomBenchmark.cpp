// The preview's zoom on a large scan, beside cat and memcpy in the same run: the fit view's first
// picture (the scan read once for the figures and the fit view's blocks), and steps of the view at
// both ends of its range (fit and 8 : 1), each timed to its first picture (what the cache holds,
// the fit view's blocks standing in) and to its complete one (every tile it shows made from the
// scan, as the window's worker makes them). Warm file cache: cat runs first.
//   quillane_zoom_bench SCAN [STEPS]   (a scan from quillane_make_scan W H SCAN --spots)
#include "preview/ScanPreview.h"
#include "preview/TileCache.h"
#include "preview/TileMaker.h"
#include "preview/ViewPicture.h"
#include "preview/ZoomView.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace quillane;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A pane of the preview window at 1600 × 1200: a third of the width, most of the height.
constexpr std::uint32_t paneWidth = 500, paneHeight = 900;

struct Step {
    double firstPicture = 0;
    double complete = 0;
};

// The view's first picture from what the cache holds, then the tiles it lacks made and the picture made again.
Step timeStep(const std::function<void()>& change, ZoomView& view, TileCache& cache, const TileMaker& maker, const ToneLevels& red,
              const ToneLevels& green) {
    Step step;
    const Clock::time_point start = Clock::now();
    change();
    ViewPictures pictures = viewPictures(view, cache, red, green);
    step.firstPicture = secondsSince(start);
    for (const TileKey& key : view.visibleTiles())
        if (!cache.contains(key)) cache.insert(std::make_shared<const ViewTile>(maker.make(key)));
    if (pictures.missing > 0) pictures = viewPictures(view, cache, red, green);
    step.complete = secondsSince(start);
    return step;
}

void seedFit(TileCache& cache, const ScanPreview& preview, const TileMaker& maker) {
    cache.clear();
    for (ViewTile& tile : tilesOfPreview(preview, maker.tileBlocks())) cache.insert(std::make_shared<const ViewTile>(std::move(tile)));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SCAN [STEPS]\n", argv[0]);
        return 2;
    }
    const std::string scan = argv[1];
    const int steps = argc > 2 ? std::max(3, std::atoi(argv[2])) : 15;

    std::vector<double> cat;
    const std::string catCommand = "cat '" + scan + "' > /dev/null";
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point start = Clock::now();
        if (std::system(catCommand.c_str()) != 0) return 1;
        cat.push_back(secondsSince(start));
    }
    constexpr std::size_t copied = std::size_t{256} << 20;
    std::vector<unsigned char> from(copied, 1), to(copied, 2);
    std::vector<double> copies;
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point start = Clock::now();
        std::memcpy(to.data(), from.data(), copied);
        copies.push_back(secondsSince(start));
        from[static_cast<std::size_t>(run)] = to[copied - 1 - static_cast<std::size_t>(run)];
    }
    const double catSeconds = median(cat), memcpyGbs = static_cast<double>(copied) / median(copies) / 1e9;

    // The fit view's first picture, as the window makes it: the page (figures and the fit
    // view's blocks, one read of the scan), the scan opened for zooming, the picture.
    std::vector<double> firstPictures, pages;
    std::shared_ptr<const ScanPreview> preview;
    std::unique_ptr<TileMaker> maker;
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point start = Clock::now();
        preview = std::make_shared<const ScanPreview>(previewScan(scan, {PreviewRequest::largestBox, PreviewRequest::largestBox, false, false}));
        pages.push_back(secondsSince(start));
        maker = std::make_unique<TileMaker>(scan, std::nullopt);
        TileCache cache;
        seedFit(cache, *preview, *maker);
        ZoomView view(preview->width, preview->height, preview->grid.side);
        view.resize(paneWidth, paneHeight);
        const ToneLevels red = toneLevels(preview->channels[0].valueCounts, ToneCurve::linear);
        const ToneLevels green = toneLevels(preview->channels[1].valueCounts, ToneCurve::linear);
        const ViewPictures pictures = viewPictures(view, cache, red, green);
        firstPictures.push_back(secondsSince(start));
        if (pictures.missing != 0) std::fprintf(stderr, "the fit view lacked %zu tiles\n", pictures.missing);
    }

    const ToneLevels red = toneLevels(preview->channels[0].valueCounts, ToneCurve::linear);
    const ToneLevels green = toneLevels(preview->channels[1].valueCounts, ToneCurve::linear);
    TileCache cache;
    ZoomView view(preview->width, preview->height, preview->grid.side);
    view.resize(paneWidth, paneHeight);

    // At fit: one step in (at a point that moves from step to step, nothing of that scale in
    // the cache) and back out to fit.
    // Then the same once the worker has made the tiles of the step ahead, as it does while the
    // window waits for the user (that time measured apart).
    std::vector<Step> zoomIn, zoomOut, zoomInAhead;
    std::vector<double> ahead;
    for (int i = 0; i < steps; ++i) {
        seedFit(cache, *preview, *maker);
        const double x = paneWidth * (i + 0.5) / steps, y = paneHeight * (steps - i - 0.5) / steps;
        zoomIn.push_back(timeStep([&] { view.zoomIn(x, y); }, view, cache, *maker, red, green));
        zoomOut.push_back(timeStep([&] { view.zoomToFit(); }, view, cache, *maker, red, green));
        seedFit(cache, *preview, *maker);
        const Clock::time_point start = Clock::now();
        for (const TileKey& key : view.tilesAhead(32)) cache.insert(std::make_shared<const ViewTile>(maker->make(key)));
        ahead.push_back(secondsSince(start));
        zoomInAhead.push_back(timeStep([&] { view.zoomIn(x, y); }, view, cache, *maker, red, green));
        view.zoomToFit();
    }
    // At 8 : 1: from a point of the scan, pans of an arrow key's eighth of the pane, and of a
    // whole pane's width (a drag across it), and a step out to 4 : 1 and in again.
    std::vector<Step> panArrow, panPane, zoom8;
    view.zoomToActualSize(paneWidth / 2.0, paneHeight / 2.0);
    while (view.zoomIn(paneWidth / 2.0, paneHeight / 2.0)) {}
    timeStep([] {}, view, cache, *maker, red, green);
    for (int i = 0; i < steps; ++i) {
        panArrow.push_back(timeStep([&] { view.panBy(i % 2 ? -paneWidth / 8.0 : 0, paneHeight / 8.0 * (i % 4 < 2 ? -1 : 1)); }, view, cache, *maker, red, green));
        panPane.push_back(timeStep([&] { view.panBy(-static_cast<double>(paneWidth), 0); }, view, cache, *maker, red, green));
        zoom8.push_back(timeStep([&] { view.zoomOut(paneWidth / 2.0, paneHeight / 2.0); }, view, cache, *maker, red, green));
        zoom8.push_back(timeStep([&] { view.zoomIn(paneWidth / 2.0, paneHeight / 2.0); }, view, cache, *maker, red, green));
    }

    const auto row = [&](const char* what, const std::vector<Step>& measured) {
        std::vector<double> first, complete;
        for (const Step& step : measured) first.push_back(step.firstPicture), complete.push_back(step.complete);
        std::printf("| %s | %.1f | %.1f | %.1f | %.3f |\n", what, 1e3 * median(first), 1e3 * median(complete),
                    1e3 * *std::max_element(complete.begin(), complete.end()), median(complete) / catSeconds);
    };
    std::printf("scan %s: %u x %u written, fit side %u, panes of %u x %u\n", scan.c_str(), preview->width, preview->height,
                preview->grid.side, paneWidth, paneHeight);
    std::printf("cat of the scan: %.1f ms (median of 5); memcpy %.2f GB/s\n", 1e3 * catSeconds, memcpyGbs);
    std::printf("fit view's first picture: %.1f ms median of 5 (%.2f x cat, cat + %.1f ms), of which the page's read %.1f ms\n",
                1e3 * median(firstPictures), median(firstPictures) / catSeconds, 1e3 * (median(firstPictures) - catSeconds), 1e3 * median(pages));
    std::printf("| step (%d each) | first picture, median (ms) | complete, median (ms) | complete, slowest (ms) | complete / cat |\n|---|---:|---:|---:|---:|\n", steps);
    row("fit: one step in", zoomIn);
    row("fit: back to fit", zoomOut);
    std::printf("(the step ahead made by the worker in %.1f ms, median)\n", 1e3 * median(ahead));
    row("fit: one step in, the step ahead made", zoomInAhead);
    row("8 : 1: an arrow's pan", panArrow);
    row("8 : 1: a pane's width", panPane);
    row("8 : 1: out to 4 : 1 and in", zoom8);
    return 0;
}

#include "preview/ZoomView.h"

#include <algorithm>
#include <cmath>

namespace quillane {
namespace {

// The scale of blocks of `side` samples (a power of two) or of a magnification of a sample.
ZoomScale blocksOf(std::uint32_t side) {
    return {1.0 / side, side};
}
ZoomScale magnified(double pixelsPerSample) {
    return {pixelsPerSample, 1};
}

// The steps between fit and 8 : 1, from the smallest: blocks of 2^k samples, then 1, 2, 4 and 8 : 1.
std::vector<ZoomScale> steps(std::uint32_t width, std::uint32_t height) {
    std::vector<ZoomScale> ladder;
    std::uint32_t side = 1;
    while (side < std::max(width, height) / 2) side *= 2;
    for (; side > 1; side /= 2) ladder.push_back(blocksOf(side));
    for (const double magnification : {1.0, 2.0, 4.0, ZoomView::largestMagnification}) ladder.push_back(magnified(magnification));
    return ladder;
}

}  // namespace

ZoomView::ZoomView(std::uint32_t width, std::uint32_t height, std::uint32_t fitSide, std::uint32_t tileBlocks)
    : width_(std::max<std::uint32_t>(width, 1)), height_(std::max<std::uint32_t>(height, 1)),
      fitSide_(std::max<std::uint32_t>(fitSide, 1)), tileBlocks_(std::max<std::uint32_t>(tileBlocks, 1)) {
    scale_ = fitScale();
    clampOrigin();
}

ZoomView ZoomView::showing(std::uint32_t width, std::uint32_t height, std::uint32_t tileBlocks, ZoomScale scale, double left,
                           double top, std::uint32_t boxWidth, std::uint32_t boxHeight) {
    ZoomView view(width, height, scale.side, tileBlocks);
    view.boxWidth_ = std::max<std::uint32_t>(boxWidth, 1);
    view.boxHeight_ = std::max<std::uint32_t>(boxHeight, 1);
    view.scale_ = scale;
    view.atFit_ = false;
    view.originX_ = left;
    view.originY_ = top;
    view.clampOrigin();
    return view;
}

// The whole image in the box, drawn from the preview's blocks, never larger than 8 : 1.
ZoomScale ZoomView::fitScale() const {
    const double fit = std::min(static_cast<double>(boxWidth_) / width_, static_cast<double>(boxHeight_) / height_);
    return {std::min(fit, largestMagnification), fitSide_};
}

void ZoomView::resize(std::uint32_t boxWidth, std::uint32_t boxHeight) {
    const double centreX = sampleX(boxWidth_ / 2.0), centreY = sampleY(boxHeight_ / 2.0);
    boxWidth_ = std::max<std::uint32_t>(boxWidth, 1);
    boxHeight_ = std::max<std::uint32_t>(boxHeight, 1);
    if (atFit_) scale_ = fitScale();
    originX_ = centreX - boxWidth_ / 2.0 / scale_.pixelsPerSample;
    originY_ = centreY - boxHeight_ / 2.0 / scale_.pixelsPerSample;
    clampOrigin();
}

// A step at least half as large again as the scale shown: the fit view's scale is seldom a
// power of two, and a step to the next one up can be hardly any larger.
std::optional<ZoomScale> ZoomView::nextStepIn() const {
    for (const ZoomScale step : steps(width_, height_))
        if (step.pixelsPerSample > scale_.pixelsPerSample * (atFit_ ? 1.5 : 1.0001)) return step;
    return std::nullopt;
}

bool ZoomView::zoomIn(double x, double y) {
    const std::optional<ZoomScale> step = nextStepIn();
    if (!step) return false;
    setScale(*step, false, x, y);
    return true;
}

bool ZoomView::zoomOut(double x, double y) {
    if (atFit_) return false;
    const std::vector<ZoomScale> ladder = steps(width_, height_);
    const ZoomScale fit = fitScale();
    for (auto step = ladder.rbegin(); step != ladder.rend(); ++step) {
        if (step->pixelsPerSample < scale_.pixelsPerSample * 0.9999) {
            if (step->pixelsPerSample <= fit.pixelsPerSample * 1.5) break;  // as zoomIn: fit is the next step
            setScale(*step, false, x, y);
            return true;
        }
    }
    zoomToFit();
    return true;
}

void ZoomView::zoomToFit() {
    setScale(fitScale(), true, boxWidth_ / 2.0, boxHeight_ / 2.0);
}

void ZoomView::zoomToActualSize(double x, double y) {
    setScale(magnified(1), false, x, y);
}

void ZoomView::panBy(double dx, double dy) {
    originX_ -= dx / scale_.pixelsPerSample;
    originY_ -= dy / scale_.pixelsPerSample;
    clampOrigin();
}

void ZoomView::setScale(ZoomScale scale, bool fit, double x, double y) {
    const double anchorX = sampleX(x), anchorY = sampleY(y);
    scale_ = scale;
    atFit_ = fit;
    originX_ = anchorX - x / scale_.pixelsPerSample;
    originY_ = anchorY - y / scale_.pixelsPerSample;
    clampOrigin();
}

// An image smaller than the box stands in its middle; a larger one covers it, never showing more
// than the box's edge beyond its own.
void ZoomView::clampOrigin() {
    const double shownX = boxWidth_ / scale_.pixelsPerSample, shownY = boxHeight_ / scale_.pixelsPerSample;
    originX_ = shownX >= width_ ? (width_ - shownX) / 2 : std::clamp(originX_, 0.0, width_ - shownX);
    originY_ = shownY >= height_ ? (height_ - shownY) / 2 : std::clamp(originY_, 0.0, height_ - shownY);
}

std::vector<TileKey> ZoomView::visibleTiles() const {
    return tilesOver(scale_.side, sampleX(0), sampleY(0), sampleX(boxWidth_ - 0.5), sampleY(boxHeight_ - 0.5));
}

std::vector<TileKey> ZoomView::tilesAhead(std::size_t most) const {
    const std::optional<ZoomScale> next = nextStepIn();
    if (!next || next->side == 1) return {};
    std::vector<TileKey> keys = tilesOver(next->side, sampleX(0), sampleY(0), sampleX(boxWidth_ - 0.5), sampleY(boxHeight_ - 0.5));
    if (keys.size() > most) keys.clear();
    return keys;
}

// The tiles at `side` over the samples from (left, top) to (right, bottom), those nearest the
// box's centre first.
std::vector<TileKey> ZoomView::tilesOver(std::uint32_t side, double left, double top, double right, double bottom) const {
    const TileLayout tiles{width_, height_, side, tileBlocks_};
    const double span = static_cast<double>(side) * tileBlocks_;  // samples a tile covers
    const auto tileOf = [&](double sample, std::uint32_t count) {
        return static_cast<std::uint32_t>(std::clamp(std::floor(sample / span), 0.0, static_cast<double>(count - 1)));
    };
    const std::uint32_t first = tileOf(left, tiles.tileColumns()), last = tileOf(right, tiles.tileColumns());
    const std::uint32_t firstRow = tileOf(top, tiles.tileRows()), lastRow = tileOf(bottom, tiles.tileRows());
    std::vector<TileKey> keys;
    for (std::uint32_t row = firstRow; row <= lastRow; ++row)
        for (std::uint32_t column = first; column <= last; ++column) keys.push_back({side, row, column});
    const double centreX = sampleX(boxWidth_ / 2.0) / span - 0.5, centreY = sampleY(boxHeight_ / 2.0) / span - 0.5;
    const auto distance = [&](const TileKey& key) { return std::hypot(key.column - centreX, key.row - centreY); };
    std::stable_sort(keys.begin(), keys.end(), [&](const TileKey& a, const TileKey& b) { return distance(a) < distance(b); });
    return keys;
}

}  // namespace quillane

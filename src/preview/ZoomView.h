#pragma once

#include "preview/ViewTile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quillane {

// How large the written image is shown: `pixelsPerSample` of the view along each axis for each
// sample, from the blocks of `side` × `side` samples (side 1: the samples themselves).
struct ZoomScale {
    double pixelsPerSample = 1;
    std::uint32_t side = 1;
};

// The part of a width × height written image that a box of the window shows, and how large:
// fit (the whole image, from the preview's blocks of `fitSide`), halving steps of blocks down to
// 1 : 1, then 2, 4 and 8 : 1. Positions in the box are pixels from its top-left corner. Without
// a toolkit: each front end feeds it the wheel, keys and drags, and draws what it says.
class ZoomView {
public:
    static constexpr double largestMagnification = 8;

    ZoomView(std::uint32_t width, std::uint32_t height, std::uint32_t fitSide, std::uint32_t tileBlocks = defaultTileBlocks);

    // A box of boxWidth × boxHeight pixels showing the image from the sample (left, top) on at
    // `scale`, as far as it reaches.
    static ZoomView showing(std::uint32_t width, std::uint32_t height, std::uint32_t tileBlocks, ZoomScale scale, double left,
                            double top, std::uint32_t boxWidth, std::uint32_t boxHeight);

    // The box changed size: a view at fit stays at fit, any other keeps its centre.
    void resize(std::uint32_t boxWidth, std::uint32_t boxHeight);
    // One step larger or smaller, the sample at (x, y) staying where it is; false when already at 8 : 1 or at fit.
    bool zoomIn(double x, double y);
    bool zoomOut(double x, double y);
    void zoomToFit();
    // One sample a pixel, the sample at (x, y) staying where it is.
    void zoomToActualSize(double x, double y);
    // Moves the image by (dx, dy) pixels of the box, as far as it reaches.
    void panBy(double dx, double dy);

    bool atFit() const { return atFit_; }
    ZoomScale scale() const { return scale_; }
    std::uint32_t fitSide() const { return fitSide_; }
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    std::uint32_t boxWidth() const { return boxWidth_; }
    std::uint32_t boxHeight() const { return boxHeight_; }
    TileLayout layout() const { return {width_, height_, scale_.side, tileBlocks_}; }

    // Where the box pixel (x, y) lies in the written image, in samples (fractions within one);
    // may lie outside it.
    double sampleX(double x) const { return originX_ + x / scale_.pixelsPerSample; }
    double sampleY(double y) const { return originY_ + y / scale_.pixelsPerSample; }
    // The tiles the box shows now, those nearest its centre first.
    std::vector<TileKey> visibleTiles() const;
    // The tiles of the next step in that cover what the box shows now, so that a worker with
    // nothing else to do can make them before they are asked for; none when they would come to
    // more than `most` tiles, or at 1 : 1 and above, where a tile is quickly made.
    std::vector<TileKey> tilesAhead(std::size_t most) const;

private:
    ZoomScale fitScale() const;
    std::optional<ZoomScale> nextStepIn() const;
    std::vector<TileKey> tilesOver(std::uint32_t side, double left, double top, double right, double bottom) const;
    void setScale(ZoomScale scale, bool fit, double x, double y);
    void clampOrigin();

    std::uint32_t width_;
    std::uint32_t height_;
    std::uint32_t fitSide_;
    std::uint32_t tileBlocks_;
    std::uint32_t boxWidth_ = 1;
    std::uint32_t boxHeight_ = 1;
    ZoomScale scale_;
    bool atFit_ = true;
    double originX_ = 0;  // the written image's sample at the box's top-left corner
    double originY_ = 0;
};

}  // namespace quillane

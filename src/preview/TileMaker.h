#pragma once

#include "output/Flip.h"
#include "preview/ViewTile.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quillane {

class ScanImage;

// Makes the tiles of one scan as the split would write its channels (flip applied), each from
// only the part of the scan it shows, read from the file (not through the mapping, whose pages
// each cost a fault) a row's piece at a time. May be used from several threads at once.
class TileMaker {
public:
    // Opens and checks the scan as previewScan does: a file the split would refuse is refused
    // with the split's text (UserException).
    TileMaker(const std::string& path, std::optional<Diagonal> flip, std::uint32_t tileBlocks = defaultTileBlocks);
    ~TileMaker();
    TileMaker(const TileMaker&) = delete;
    TileMaker& operator=(const TileMaker&) = delete;

    // Of the written channels: exchanged by a flip.
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    std::uint32_t tileBlocks() const { return tileBlocks_; }
    TileLayout layout(std::uint32_t side) const { return {width_, height_, side, tileBlocks_}; }

    // The tile `key`, both channels read at once on two threads. A key outside the image gives
    // an empty tile. Setting `stop` ends the work within a row with PreviewStopped; a scan cut
    // short meanwhile is refused as the split refuses it (UserException).
    ViewTile make(TileKey key, const std::atomic<bool>* stop = nullptr) const;

private:
    std::unique_ptr<ScanImage> scan_;
    std::optional<Diagonal> flip_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::uint32_t tileBlocks_;
};

}  // namespace quillane

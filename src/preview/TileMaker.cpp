#include "preview/TileMaker.h"

#include "preview/BlockReduction.h"
#include "preview/ScanPreview.h"
#include "scan/ScanImage.h"

#include <algorithm>

namespace quillane {
namespace {

// A rectangle of the scan as stored.
struct SourceRectangle {
    std::uint32_t firstRow = 0;
    std::uint32_t rows = 0;
    std::uint32_t firstColumn = 0;
    std::uint32_t columns = 0;
};

// The samples of the written image's rows [top, bottom) and columns [left, right) stand in this
// rectangle of a width × height scan.
SourceRectangle sourceOf(std::optional<Diagonal> flip, std::uint32_t width, std::uint32_t height, std::uint32_t top,
                         std::uint32_t bottom, std::uint32_t left, std::uint32_t right) {
    if (!flip) return {top, bottom - top, left, right - left};
    // Flipped, the written rows run along the scan's columns and the written columns down its rows.
    if (*flip == Diagonal::main) return {left, right - left, top, bottom - top};
    return {height - right, right - left, width - bottom, bottom - top};
}

}  // namespace

TileMaker::TileMaker(const std::string& path, std::optional<Diagonal> flip, std::uint32_t tileBlocks)
    : scan_(std::make_unique<ScanImage>()), flip_(flip), tileBlocks_(std::max<std::uint32_t>(tileBlocks, 1)) {
    scan_->open(path);
    scan_->parse();
    scan_->requireTwoChannels();
    const auto width = static_cast<std::uint32_t>(scan_->width);
    const auto height = static_cast<std::uint32_t>(scan_->height);
    width_ = flip ? height : width;
    height_ = flip ? width : height;
}

TileMaker::~TileMaker() = default;

ViewTile TileMaker::make(TileKey key, const std::atomic<bool>* stop) const {
    const TileLayout layout = this->layout(std::max<std::uint32_t>(key.side, 1));
    ViewTile tile;
    tile.key = key;
    tile.key.side = layout.side;
    if (key.row >= layout.tileRows() || key.column >= layout.tileColumns()) return tile;
    const std::uint32_t firstBlockRow = key.row * tileBlocks_, firstBlockColumn = key.column * tileBlocks_;
    tile.rows = std::min(tileBlocks_, layout.blockRows() - firstBlockRow);
    tile.columns = std::min(tileBlocks_, layout.blockColumns() - firstBlockColumn);
    const std::uint32_t side = layout.side;
    const std::uint32_t top = firstBlockRow * side, left = firstBlockColumn * side;
    const auto bottom = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{top} + std::uint64_t{tile.rows} * side, height_));
    const auto right = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{left} + std::uint64_t{tile.columns} * side, width_));
    const auto scanWidth = static_cast<std::uint32_t>(scan_->width);
    const SourceRectangle source = sourceOf(flip_, scanWidth, static_cast<std::uint32_t>(scan_->height), top, bottom, left, right);

    // The rectangle's rows one after another, as the reducer reads a scan of its own size.
    const std::size_t rectangleRowBytes = 2 * std::size_t{source.columns};
    const std::size_t scanRowBytes = 2 * std::size_t{scanWidth};
    const bool wholeRows = source.columns == scanWidth;  // then one read takes several rows
    reduceBothChannels([&](int c) {
        const std::uint64_t start = static_cast<std::uint64_t>(
            reinterpret_cast<const std::uint8_t*>(scan_->channels[c].samples.data) - scan_->view());
        const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(ChannelReducer::largestRead);
        ChannelReducer reducer(source.columns, source.rows, flip_, {side, tile.columns, tile.rows}, false);
        const bool finished = reducer.run(
            [&](std::uint64_t offset, std::size_t count) {
                for (std::size_t done = 0; done < count;) {
                    const std::uint64_t row = (offset + done) / rectangleRowBytes;
                    const std::size_t inRow = static_cast<std::size_t>((offset + done) % rectangleRowBytes);
                    const std::size_t piece = wholeRows ? count - done : std::min(count - done, rectangleRowBytes - inRow);
                    scan_->readInput(start + (source.firstRow + row) * scanRowBytes + 2 * std::uint64_t{source.firstColumn} + inRow,
                                     buffer.get() + done, piece);
                    done += piece;
                }
                return static_cast<const std::uint8_t*>(buffer.get());
            },
            stop);
        if (finished) {
            ChannelReduction reduction = std::move(reducer).result();
            tile.channels[c] = {std::move(reduction.means), std::move(reduction.maxima), std::move(reduction.saturated)};
        }
        return finished;
    });
    markSaturation(tile, layout);
    return tile;
}

}  // namespace quillane

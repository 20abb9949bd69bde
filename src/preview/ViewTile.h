#pragma once

#include "preview/ScanPreview.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillane {

// Blocks along each side of a tile, unless a caller chooses otherwise: a tile of both channels
// then takes about a megabyte, and a screenful of 1 : 1 a few of them.
inline constexpr std::uint32_t defaultTileBlocks = 256;

// One tile of the written image at one level of detail: blocks of `side` × `side` samples (1: the
// samples themselves), counted from the image's top-left corner as BlockGrid counts them, and
// tiles of tileBlocks × tileBlocks blocks, counted likewise.
struct TileKey {
    std::uint32_t side = 1;
    std::uint32_t row = 0;
    std::uint32_t column = 0;

    auto operator<=>(const TileKey&) const = default;
};

// The blocks of one tile of one channel, row after row.
struct ChannelTile {
    std::vector<std::uint16_t> means;      // rounded half up; at side 1 the samples
    std::vector<std::uint16_t> maxima;
    std::vector<std::uint32_t> saturated;  // samples at 65535
};

// Both channels of a tile, and which of its blocks show the saturated colour on channel 0, on
// channel 1 and on the composite: at side 1 exactly the saturated samples, in larger blocks as
// many as saturationMarks gives for the tile's blocks.
struct ViewTile {
    TileKey key;
    std::uint32_t columns = 0;  // blocks: fewer than the tile's along the image's right and bottom edges
    std::uint32_t rows = 0;
    ChannelTile channels[2];
    std::vector<bool> marks[3];

    std::size_t bytes() const { return std::size_t{columns} * rows * (2 * 8) + sizeof(ViewTile); }
};

// The tiles at `side` of a width × height written image.
struct TileLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t side = 1;
    std::uint32_t tileBlocks = defaultTileBlocks;

    std::uint32_t blockColumns() const { return (width + side - 1) / side; }
    std::uint32_t blockRows() const { return (height + side - 1) / side; }
    std::uint32_t tileColumns() const { return (blockColumns() + tileBlocks - 1) / tileBlocks; }
    std::uint32_t tileRows() const { return (blockRows() + tileBlocks - 1) / tileBlocks; }
};

// Fills in `tile`'s marks from its channels, the blocks along the image's edges counted as
// large as they are.
void markSaturation(ViewTile& tile, const TileLayout& layout);

// A preview's pictures cut into the tiles of its grid, so that a view at its block side needs
// nothing read again.
std::vector<ViewTile> tilesOfPreview(const ScanPreview& preview, std::uint32_t tileBlocks = defaultTileBlocks);

}  // namespace quillane

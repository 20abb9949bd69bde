#include "preview/ViewTile.h"

#include "preview/ToneMapping.h"

#include <algorithm>

namespace quillane {

void markSaturation(ViewTile& tile, const TileLayout& layout) {
    const std::size_t blocks = std::size_t{tile.columns} * tile.rows;
    std::vector<double> shares[3] = {std::vector<double>(blocks), std::vector<double>(blocks), std::vector<double>(blocks)};
    const std::uint32_t side = layout.side;
    for (std::uint32_t r = 0; r < tile.rows; ++r) {
        const std::uint32_t top = (tile.key.row * layout.tileBlocks + r) * side;
        const std::uint32_t high = std::min(layout.height - top, side);
        for (std::uint32_t c = 0; c < tile.columns; ++c) {
            const std::uint32_t left = (tile.key.column * layout.tileBlocks + c) * side;
            const double samples = static_cast<double>(std::uint64_t{high} * std::min(layout.width - left, side));
            const std::size_t i = std::size_t{r} * tile.columns + c;
            for (int channel = 0; channel < 2; ++channel) shares[channel][i] = tile.channels[channel].saturated[i] / samples;
            // As the composite of the whole scan takes it: the two channels as if independent.
            shares[2][i] = 1 - (1 - shares[0][i]) * (1 - shares[1][i]);
        }
    }
    for (int i = 0; i < 3; ++i) tile.marks[i] = saturationMarks(shares[i]);
}

std::vector<ViewTile> tilesOfPreview(const ScanPreview& preview, std::uint32_t tileBlocks) {
    const TileLayout layout{preview.width, preview.height, preview.grid.side, tileBlocks};
    std::vector<ViewTile> tiles;
    for (std::uint32_t tileRow = 0; tileRow < layout.tileRows(); ++tileRow) {
        for (std::uint32_t tileColumn = 0; tileColumn < layout.tileColumns(); ++tileColumn) {
            ViewTile tile;
            tile.key = {layout.side, tileRow, tileColumn};
            const std::uint32_t firstRow = tileRow * tileBlocks, firstColumn = tileColumn * tileBlocks;
            tile.rows = std::min(tileBlocks, preview.grid.rows - firstRow);
            tile.columns = std::min(tileBlocks, preview.grid.columns - firstColumn);
            for (int c = 0; c < 2; ++c) {
                const ChannelPreview& source = preview.channels[c];
                ChannelTile& target = tile.channels[c];
                for (std::uint32_t r = 0; r < tile.rows; ++r) {
                    const auto from = static_cast<std::ptrdiff_t>(std::size_t{firstRow + r} * preview.grid.columns + firstColumn);
                    target.means.insert(target.means.end(), source.means.begin() + from, source.means.begin() + from + tile.columns);
                    target.maxima.insert(target.maxima.end(), source.maxima.begin() + from, source.maxima.begin() + from + tile.columns);
                    target.saturated.insert(target.saturated.end(), source.saturated.begin() + from,
                                            source.saturated.begin() + from + tile.columns);
                }
            }
            markSaturation(tile, layout);
            tiles.push_back(std::move(tile));
        }
    }
    return tiles;
}

}  // namespace quillane

#include "preview/ViewPicture.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace quillane {
namespace {

// The written image's sample or block a box pixel's centre falls on, along one axis; -1 outside.
std::vector<std::int64_t> blocksAlong(std::uint32_t pixels, double origin, double pixelsPerSample, std::uint32_t length,
                                      std::uint32_t side) {
    std::vector<std::int64_t> blocks(pixels, -1);
    for (std::uint32_t p = 0; p < pixels; ++p) {
        const double sample = std::floor(origin + (p + 0.5) / pixelsPerSample);
        if (sample >= 0 && sample < length) blocks[p] = static_cast<std::int64_t>(sample) / side;
    }
    return blocks;
}

void put(RgbImage& picture, std::size_t pixel, Rgb colour) {
    std::copy(colour.begin(), colour.end(), picture.pixels.begin() + static_cast<std::ptrdiff_t>(3 * pixel));
}

}  // namespace

ToneLevels toneLevels(const std::vector<std::uint32_t>& valueCounts, ToneCurve curve) {
    const ToneRange range = automaticRange(valueCounts);
    ToneLevels levels(65536);
    for (std::uint32_t value = 0; value < levels.size(); ++value) levels[value] = toneLevel(static_cast<std::uint16_t>(value), range, curve);
    return levels;
}

ViewPictures viewPictures(const ZoomView& view, TileCache& cache, const ToneLevels& red, const ToneLevels& green) {
    const std::uint32_t width = view.boxWidth(), height = view.boxHeight();
    const TileLayout layout = view.layout();
    const ZoomScale scale = view.scale();
    ViewPictures pictures;
    for (RgbImage* picture : {&pictures.channels[0], &pictures.channels[1], &pictures.composite})
        *picture = {width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 3, 0)};
    const std::vector<std::int64_t> columns = blocksAlong(width, view.sampleX(0), scale.pixelsPerSample, layout.width, layout.side);
    const std::vector<std::int64_t> rows = blocksAlong(height, view.sampleY(0), scale.pixelsPerSample, layout.height, layout.side);

    // The tiles the box shows, looked up once each.
    const std::vector<TileKey> keys = view.visibleTiles();
    std::vector<std::shared_ptr<const ViewTile>> tiles;
    std::uint32_t firstRow = layout.tileRows(), firstColumn = layout.tileColumns(), lastRow = 0, lastColumn = 0;
    for (const TileKey& key : keys) {
        firstRow = std::min(firstRow, key.row);
        firstColumn = std::min(firstColumn, key.column);
        lastRow = std::max(lastRow, key.row);
        lastColumn = std::max(lastColumn, key.column);
    }
    const std::uint32_t tileColumns = keys.empty() ? 0 : lastColumn - firstColumn + 1;
    tiles.resize(keys.empty() ? 0 : std::size_t{lastRow - firstRow + 1} * tileColumns);
    for (const TileKey& key : keys) {
        std::shared_ptr<const ViewTile> tile = cache.find(key);
        if (!tile) ++pictures.missing;
        tiles[std::size_t{key.row - firstRow} * tileColumns + (key.column - firstColumn)] = std::move(tile);
    }

    const std::uint32_t span = layout.tileBlocks;
    std::shared_ptr<const ViewTile> standIn;  // the last fit tile looked up for a missing one
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t pixel = std::size_t{y} * width + x;
            if (rows[y] < 0 || columns[x] < 0) {
                for (RgbImage* picture : {&pictures.channels[0], &pictures.channels[1], &pictures.composite}) put(*picture, pixel, outsideColour);
                continue;
            }
            const auto blockRow = static_cast<std::uint32_t>(rows[y]), blockColumn = static_cast<std::uint32_t>(columns[x]);
            const std::uint32_t tileRow = blockRow / span, tileColumn = blockColumn / span;
            const ViewTile* tile = nullptr;
            if (tileRow >= firstRow && tileRow <= lastRow && tileColumn >= firstColumn && tileColumn <= lastColumn)
                tile = tiles[std::size_t{tileRow - firstRow} * tileColumns + (tileColumn - firstColumn)].get();
            std::size_t block = 0;
            if (tile == nullptr) {
                // The fit view's block of the same sample, when the cache still holds it.
                const std::uint32_t side = view.fitSide();
                const std::uint32_t fitRow = blockRow * layout.side / side, fitColumn = blockColumn * layout.side / side;
                const TileKey fitKey{side, fitRow / span, fitColumn / span};
                if (!standIn || standIn->key != fitKey) standIn = side == layout.side ? nullptr : cache.find(fitKey);
                if (!standIn) {
                    for (RgbImage* picture : {&pictures.channels[0], &pictures.channels[1], &pictures.composite}) put(*picture, pixel, pendingColour);
                    continue;
                }
                tile = standIn.get();
                block = std::size_t{fitRow % span} * tile->columns + fitColumn % span;
            } else {
                block = std::size_t{blockRow % span} * tile->columns + blockColumn % span;
            }
            const std::uint8_t r = red[tile->channels[0].means[block]], g = green[tile->channels[1].means[block]];
            put(pictures.channels[0], pixel, tile->marks[0][block] ? saturatedColour : Rgb{r, r, r});
            put(pictures.channels[1], pixel, tile->marks[1][block] ? saturatedColour : Rgb{g, g, g});
            put(pictures.composite, pixel, tile->marks[2][block] ? saturatedColour : Rgb{r, g, 0});
        }
    }
    return pictures;
}

std::optional<PointValue> valueAt(const ZoomView& view, TileCache& cache, double x, double y, double pixelSizeX, double pixelSizeY) {
    const double sampleX = std::floor(view.sampleX(x)), sampleY = std::floor(view.sampleY(y));
    if (sampleX < 0 || sampleY < 0 || sampleX >= view.width() || sampleY >= view.height()) return std::nullopt;
    PointValue value;
    value.column = static_cast<std::uint32_t>(sampleX);
    value.row = static_cast<std::uint32_t>(sampleY);
    value.micrometresX = value.column * pixelSizeX;
    value.micrometresY = value.row * pixelSizeY;
    const TileLayout layout = view.layout();
    value.side = layout.side;
    const std::uint32_t blockRow = value.row / layout.side, blockColumn = value.column / layout.side;
    const std::shared_ptr<const ViewTile> tile = cache.find({layout.side, blockRow / layout.tileBlocks, blockColumn / layout.tileBlocks});
    if (!tile) return value;
    const std::size_t block = std::size_t{blockRow % layout.tileBlocks} * tile->columns + blockColumn % layout.tileBlocks;
    value.known = true;
    for (int c = 0; c < 2; ++c) {
        value.means[c] = tile->channels[c].means[block];
        value.maxima[c] = tile->channels[c].maxima[block];
    }
    return value;
}

}  // namespace quillane

#include "preview/RegionPicture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace quillane {

RgbImage regionPicture(const TileMaker& maker, const ZoomView& view, std::uint32_t longestSide, const ToneLevels& red,
                       const ToneLevels& green, const std::atomic<bool>* stop) {
    longestSide = std::max<std::uint32_t>(longestSide, 1);
    const double left = std::max(0.0, std::floor(view.sampleX(0))), top = std::max(0.0, std::floor(view.sampleY(0)));
    const double right = std::min<double>(view.width(), std::ceil(view.sampleX(view.boxWidth())));
    const double bottom = std::min<double>(view.height(), std::ceil(view.sampleY(view.boxHeight())));
    const double longer = std::max(right - left, bottom - top);
    ZoomScale scale = view.scale();
    if (longer * scale.pixelsPerSample > longestSide) {
        const auto side = static_cast<std::uint32_t>(std::ceil(longer / longestSide));
        scale = {1.0 / side, side};
    }
    const auto pixels = [&](double samples) {
        return static_cast<std::uint32_t>(std::clamp(std::ceil(samples * scale.pixelsPerSample), 1.0, static_cast<double>(longestSide)));
    };
    const ZoomView region = ZoomView::showing(view.width(), view.height(), maker.tileBlocks(), scale, left, top, pixels(right - left),
                                              pixels(bottom - top));
    TileCache tiles(std::numeric_limits<std::size_t>::max());
    for (const TileKey& key : region.visibleTiles()) tiles.insert(std::make_shared<const ViewTile>(maker.make(key, stop)));
    return viewPictures(region, tiles, red, green).composite;
}

}  // namespace quillane

#pragma once

#include "preview/TileCache.h"
#include "preview/ToneMapping.h"
#include "preview/ZoomView.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillane {

// The 8-bit level of each of the 65536 values of a channel along a tone curve.
using ToneLevels = std::vector<std::uint8_t>;
ToneLevels toneLevels(const std::vector<std::uint32_t>& valueCounts, ToneCurve curve);

// Where the image does not reach, and where its tile is still being made.
inline constexpr Rgb outsideColour = {0, 0, 0};
inline constexpr Rgb pendingColour = {48, 48, 48};

// What the box of a zoomed view shows: each channel in grey and the composite, box-sized, from
// the tiles the cache holds; `missing` tells how many of the visible tiles it does not hold yet.
// Where one is missing, the fit view's blocks stand in, enlarged, until it comes.
struct ViewPictures {
    RgbImage channels[2];
    RgbImage composite;
    std::size_t missing = 0;
};
ViewPictures viewPictures(const ZoomView& view, TileCache& cache, const ToneLevels& red, const ToneLevels& green);

// What lies under a point of the box: the written file's sample there (row and column from 0,
// and in micrometres from the image's corner), and both channels' value: the sample itself at
// 1 : 1 and above, the mean and maximum of its block of `side` × `side` samples (fewer along the
// edges) below. `known` is false while the tile is still being made.
struct PointValue {
    std::uint32_t column = 0;
    std::uint32_t row = 0;
    double micrometresX = 0;
    double micrometresY = 0;
    std::uint32_t side = 1;
    bool known = false;
    std::array<std::uint16_t, 2> means{};
    std::array<std::uint16_t, 2> maxima{};
};
// None where the point lies outside the image.
std::optional<PointValue> valueAt(const ZoomView& view, TileCache& cache, double x, double y, double pixelSizeX, double pixelSizeY);

}  // namespace quillane

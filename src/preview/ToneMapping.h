#pragma once

#include "preview/ScanPreview.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillane {

// How 16-bit samples become 8-bit grey: both stretch the automatic contrast range over the
// 256 levels, the logarithmic one so that dim spots show beside bright ones.
enum class ToneCurve { linear, logarithmic };

// The values shown from black to white.
struct ToneRange {
    std::uint16_t low = 0;
    std::uint16_t high = 65535;
};

// The automatic contrast of image viewers: `clippedShare` of the values at each end go black or
// white. Taken from the preview's pixels (block means), as the histogram is.
ToneRange automaticRange(const std::vector<std::uint16_t>& values, double clippedShare = 0.001);

// The 8-bit level of `value` in `range` along `curve`.
std::uint8_t toneLevel(std::uint16_t value, ToneRange range, ToneCurve curve);

// An 8-bit RGB picture, 3 bytes a pixel, rows top to bottom.
struct RgbImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

using Rgb = std::array<std::uint8_t, 3>;
// Pixels whose block holds a saturated sample (65535), on the grey pictures and the composite:
// a blue that neither grey, red nor green can be taken for.
inline constexpr Rgb saturatedColour = {0, 128, 255};

// Channel 0 or 1 in grey, saturated pixels marked.
RgbImage channelPicture(const ScanPreview& preview, int channel, ToneCurve curve);
// Channel 0 in red and channel 1 in green, each with its own contrast; a pixel saturated in
// either marked.
RgbImage compositePicture(const ScanPreview& preview, ToneCurve curve);
// The channel's histogram as bars in `colour` on black, heights on a logarithmic scale so that
// a few saturated pixels show beside millions of background ones.
RgbImage histogramPicture(const ChannelFigures& figures, std::uint32_t width, std::uint32_t height, Rgb colour);

}  // namespace quillane

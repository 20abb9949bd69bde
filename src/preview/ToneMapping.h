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

// The automatic contrast of image viewers: `clippedShare` of the samples at each end go black or
// white. Taken from the scan's samples: `valueCounts` holds how many of those the histogram counts hold
// each of the 65536 values.
ToneRange automaticRange(const std::vector<std::uint32_t>& valueCounts, double clippedShare = 0.001);

// The 8-bit level of `value` in `range` along `curve`.
std::uint8_t toneLevel(std::uint16_t value, ToneRange range, ToneCurve curve);

// An 8-bit RGB picture, 3 bytes a pixel, rows top to bottom.
struct RgbImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

using Rgb = std::array<std::uint8_t, 3>;
// The mark of saturated samples (65535) on the grey pictures and the composite: a blue that
// neither grey, red nor green can be taken for. A pixel of one sample is marked when its sample
// is saturated; a block of many, so that the marked pixels come to as much of the picture as the
// saturated samples are of the scan (see saturationMarks).
inline constexpr Rgb saturatedColour = {0, 128, 255};

// Which of the pixels to mark, given how much of each pixel's block is saturated (0 to 1): a
// running sum of those shares, pixel after pixel, marks a pixel of a saturated block each time it
// comes to more than the marks made so far. The marks come to the sum rounded up (a single
// saturated sample still shows), only blocks that hold a saturated sample are marked, a wholly
// saturated one always, and the fuller a block the likelier its mark.
std::vector<bool> saturationMarks(const std::vector<double>& shares);

// Channel 0 or 1 in grey, saturated samples marked.
RgbImage channelPicture(const ScanPreview& preview, int channel, ToneCurve curve);
// Channel 0 in red and channel 1 in green, each with its own contrast; samples saturated in
// either marked (a block's share in either taken as if the two were independent).
RgbImage compositePicture(const ScanPreview& preview, ToneCurve curve);
// The channel's histogram as bars in `colour` on black, heights on a logarithmic scale so that
// a few saturated pixels show beside millions of background ones.
RgbImage histogramPicture(const ChannelFigures& figures, std::uint32_t width, std::uint32_t height, Rgb colour);

}  // namespace quillane

#include "preview/ToneMapping.h"

#include <algorithm>
#include <cmath>

namespace quillane {
namespace {

constexpr std::uint16_t saturatedSample = 0xFFFF;

RgbImage blankPicture(std::uint32_t width, std::uint32_t height) {
    return {width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 3, 0)};
}

void put(RgbImage& picture, std::size_t pixel, Rgb colour) {
    std::copy(colour.begin(), colour.end(), picture.pixels.begin() + static_cast<std::ptrdiff_t>(3 * pixel));
}

}  // namespace

ToneRange automaticRange(std::vector<std::uint16_t> values, double clippedShare) {
    if (values.empty()) return {};
    const auto clipped = static_cast<std::size_t>(clippedShare * static_cast<double>(values.size()));
    const auto low = values.begin() + static_cast<std::ptrdiff_t>(clipped);
    const auto high = values.end() - 1 - static_cast<std::ptrdiff_t>(clipped);
    std::nth_element(values.begin(), low, values.end());
    const std::uint16_t lowValue = *low;
    std::nth_element(values.begin(), high, values.end());
    return {lowValue, *high};
}

std::uint8_t toneLevel(std::uint16_t value, ToneRange range, ToneCurve curve) {
    if (value <= range.low) return 0;
    if (value >= range.high) return 255;
    const double span = range.high - range.low;
    const double above = value - range.low;
    const double share = curve == ToneCurve::logarithmic ? std::log1p(above) / std::log1p(span) : above / span;
    return static_cast<std::uint8_t>(std::lround(255.0 * share));
}

RgbImage channelPicture(const ScanPreview& preview, int channel, ToneCurve curve) {
    const ChannelPreview& source = preview.channels[channel];
    RgbImage picture = blankPicture(preview.grid.columns, preview.grid.rows);
    const ToneRange range = automaticRange(source.means);
    for (std::size_t i = 0; i < source.means.size(); ++i) {
        const std::uint8_t level = toneLevel(source.means[i], range, curve);
        put(picture, i, source.maxima[i] == saturatedSample ? saturatedColour : Rgb{level, level, level});
    }
    return picture;
}

RgbImage compositePicture(const ScanPreview& preview, ToneCurve curve) {
    const ChannelPreview& red = preview.channels[0];
    const ChannelPreview& green = preview.channels[1];
    RgbImage picture = blankPicture(preview.grid.columns, preview.grid.rows);
    const ToneRange redRange = automaticRange(red.means);
    const ToneRange greenRange = automaticRange(green.means);
    for (std::size_t i = 0; i < red.means.size(); ++i) {
        const bool saturated = red.maxima[i] == saturatedSample || green.maxima[i] == saturatedSample;
        put(picture, i, saturated ? saturatedColour
                                  : Rgb{toneLevel(red.means[i], redRange, curve), toneLevel(green.means[i], greenRange, curve), 0});
    }
    return picture;
}

RgbImage histogramPicture(const ChannelFigures& figures, std::uint32_t width, std::uint32_t height, Rgb colour) {
    RgbImage picture = blankPicture(width, height);
    // Each column counts the bins it covers (narrower than 256: several; wider: one, repeated).
    std::vector<std::uint64_t> columns(width, 0);
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::size_t first = std::size_t{x} * 256 / width;
        const std::size_t end = std::max(first + 1, std::size_t{x + 1} * 256 / width);
        for (std::size_t bin = first; bin < end; ++bin) columns[x] += figures.histogram[bin];
    }
    const std::uint64_t tallest = width == 0 ? 0 : *std::max_element(columns.begin(), columns.end());
    if (tallest == 0) return picture;
    for (std::uint32_t x = 0; x < width; ++x) {
        const double share = std::log1p(static_cast<double>(columns[x])) / std::log1p(static_cast<double>(tallest));
        const auto bar = static_cast<std::uint32_t>(std::lround(share * height));
        for (std::uint32_t y = height - bar; y < height; ++y) put(picture, std::size_t{y} * width + x, colour);
    }
    return picture;
}

}  // namespace quillane

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

// The values counted once, and the count walked from each end: a preview's pixels are many, and
// their values only 65536.
ToneRange automaticRange(const std::vector<std::uint16_t>& values, double clippedShare) {
    if (values.empty()) return {};
    const auto clipped = static_cast<std::size_t>(clippedShare * static_cast<double>(values.size()));
    std::vector<std::uint32_t> counts(65536, 0);
    for (const std::uint16_t value : values) ++counts[value];
    // The value at sorted position `clipped` from the low end, and from the high end.
    ToneRange range;
    std::size_t below = 0;
    for (std::uint32_t value = 0; value < counts.size(); below += counts[value++]) {
        if (below + counts[value] > clipped) {
            range.low = static_cast<std::uint16_t>(value);
            break;
        }
    }
    std::size_t above = 0;
    for (std::uint32_t value = 65536; value-- > 0; above += counts[value]) {
        if (above + counts[value] > clipped) {
            range.high = static_cast<std::uint16_t>(value);
            break;
        }
    }
    return range;
}

std::uint8_t toneLevel(std::uint16_t value, ToneRange range, ToneCurve curve) {
    if (value <= range.low) return 0;
    if (value >= range.high) return 255;
    const double span = range.high - range.low;
    const double above = value - range.low;
    const double share = curve == ToneCurve::logarithmic ? std::log1p(above) / std::log1p(span) : above / span;
    return static_cast<std::uint8_t>(std::lround(255.0 * share));
}

namespace {

// Every value's level at once: a preview has far more pixels than the curve has to be worked out
// for, and each level costs a division (and a logarithm) on its own.
class ToneTable {
public:
    ToneTable(const std::vector<std::uint16_t>& values, ToneCurve curve) : range_(automaticRange(values)) {
        levels_.reserve(std::size_t{range_.high} - range_.low + 1);
        for (std::uint32_t value = range_.low; value <= range_.high; ++value)
            levels_.push_back(toneLevel(static_cast<std::uint16_t>(value), range_, curve));
    }
    std::uint8_t operator()(std::uint16_t value) const {
        if (value <= range_.low) return 0;
        if (value >= range_.high) return 255;
        return levels_[value - range_.low];
    }

private:
    ToneRange range_;
    std::vector<std::uint8_t> levels_;
};

}  // namespace

RgbImage channelPicture(const ScanPreview& preview, int channel, ToneCurve curve) {
    const ChannelPreview& source = preview.channels[channel];
    RgbImage picture = blankPicture(preview.grid.columns, preview.grid.rows);
    const ToneTable levelOf(source.means, curve);
    for (std::size_t i = 0; i < source.means.size(); ++i) {
        const std::uint8_t level = levelOf(source.means[i]);
        put(picture, i, source.maxima[i] == saturatedSample ? saturatedColour : Rgb{level, level, level});
    }
    return picture;
}

RgbImage compositePicture(const ScanPreview& preview, ToneCurve curve) {
    const ChannelPreview& red = preview.channels[0];
    const ChannelPreview& green = preview.channels[1];
    RgbImage picture = blankPicture(preview.grid.columns, preview.grid.rows);
    const ToneTable redLevel(red.means, curve);
    const ToneTable greenLevel(green.means, curve);
    for (std::size_t i = 0; i < red.means.size(); ++i) {
        const bool saturated = red.maxima[i] == saturatedSample || green.maxima[i] == saturatedSample;
        put(picture, i, saturated ? saturatedColour : Rgb{redLevel(red.means[i]), greenLevel(green.means[i]), 0});
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

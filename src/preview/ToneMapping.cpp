#include "preview/ToneMapping.h"

#include <algorithm>
#include <cmath>

namespace quillane {
namespace {

RgbImage blankPicture(std::uint32_t width, std::uint32_t height) {
    return {width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 3, 0)};
}

void put(RgbImage& picture, std::size_t pixel, Rgb colour) {
    std::copy(colour.begin(), colour.end(), picture.pixels.begin() + static_cast<std::ptrdiff_t>(3 * pixel));
}

}  // namespace

// The count walked from each end.
ToneRange automaticRange(const std::vector<std::uint32_t>& counts, double clippedShare) {
    std::uint64_t samples = 0;
    for (const std::uint32_t count : counts) samples += count;
    if (samples == 0 || counts.size() != 65536) return {};
    const auto clipped = static_cast<std::uint64_t>(clippedShare * static_cast<double>(samples));
    // The value at sorted position `clipped` from the low end, and from the high end.
    ToneRange range;
    std::uint64_t below = 0;
    for (std::uint32_t value = 0; value < counts.size(); below += counts[value++]) {
        if (below + counts[value] > clipped) {
            range.low = static_cast<std::uint16_t>(value);
            break;
        }
    }
    std::uint64_t above = 0;
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
    ToneTable(const std::vector<std::uint32_t>& valueCounts, ToneCurve curve) : range_(automaticRange(valueCounts)) {
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

// How much of each block of a channel is saturated; blocks along the right and bottom edges are
// cut short where the image ends.
std::vector<double> saturatedShares(const ScanPreview& preview, const ChannelPreview& channel) {
    const BlockGrid& grid = preview.grid;
    std::vector<double> shares(channel.saturated.size(), 0.0);
    for (std::size_t i = 0; i < shares.size(); ++i) {
        if (channel.saturated[i] == 0) continue;
        const std::uint64_t column = i % grid.columns * grid.side;
        const std::uint64_t row = i / grid.columns * grid.side;
        const std::uint64_t width = std::min<std::uint64_t>(grid.side, preview.width - column);
        const std::uint64_t height = std::min<std::uint64_t>(grid.side, preview.height - row);
        shares[i] = static_cast<double>(channel.saturated[i]) / static_cast<double>(width * height);
    }
    return shares;
}

}  // namespace

std::vector<bool> saturationMarks(const std::vector<double>& shares) {
    std::vector<bool> marks(shares.size(), false);
    double owed = 0;  // stays above -1 and at most 0 between pixels
    for (std::size_t i = 0; i < shares.size(); ++i) {
        if (shares[i] <= 0) continue;
        owed += shares[i];
        if (owed > 0) {
            marks[i] = true;
            owed -= 1;
        }
    }
    return marks;
}

RgbImage channelPicture(const ScanPreview& preview, int channel, ToneCurve curve) {
    const ChannelPreview& source = preview.channels[channel];
    RgbImage picture = blankPicture(preview.grid.columns, preview.grid.rows);
    const ToneTable levelOf(source.valueCounts, curve);
    const std::vector<bool> marks = saturationMarks(saturatedShares(preview, source));
    for (std::size_t i = 0; i < source.means.size(); ++i) {
        const std::uint8_t level = levelOf(source.means[i]);
        put(picture, i, marks[i] ? saturatedColour : Rgb{level, level, level});
    }
    return picture;
}

RgbImage compositePicture(const ScanPreview& preview, ToneCurve curve) {
    const ChannelPreview& red = preview.channels[0];
    const ChannelPreview& green = preview.channels[1];
    RgbImage picture = blankPicture(preview.grid.columns, preview.grid.rows);
    const ToneTable redLevel(red.valueCounts, curve);
    const ToneTable greenLevel(green.valueCounts, curve);
    std::vector<double> shares = saturatedShares(preview, red);
    const std::vector<double> greenShares = saturatedShares(preview, green);
    for (std::size_t i = 0; i < shares.size(); ++i) shares[i] = 1 - (1 - shares[i]) * (1 - greenShares[i]);
    const std::vector<bool> marks = saturationMarks(shares);
    for (std::size_t i = 0; i < red.means.size(); ++i)
        put(picture, i, marks[i] ? saturatedColour : Rgb{redLevel(red.means[i]), greenLevel(green.means[i]), 0});
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

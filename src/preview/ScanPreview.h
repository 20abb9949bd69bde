#pragma once

#include "output/Flip.h"
#include "preview/BlockReduction.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillane {

// What a preview is asked for: the box its pictures must fit, and the flip the split would make.
struct PreviewRequest {
    std::uint32_t boxWidth = 512;
    std::uint32_t boxHeight = 512;
    bool flip = false;
    bool mainDiagonal = false;  // with `flip`: the main diagonal, else the opposite one

    // The picture's size unless asked otherwise: a million pixels show every spot a screen can.
    static constexpr std::uint32_t largestBox = 1024;
    // Larger boxes are made this size: a picture to keep, or to print.
    static constexpr std::uint32_t largestPicture = 4096;
};

// The figures of one channel, every sample counted; the histogram by the samples' upper 8 bits,
// of every `histogramRowStep`-th row of the scan (as stored, from its first).
struct ChannelFigures {
    std::uint64_t samples = 0;
    std::uint16_t minimum = 0;
    std::uint16_t maximum = 0;
    double mean = 0;
    std::uint64_t saturated = 0;  // samples at 65535
    std::array<std::uint32_t, 256> histogram{};
    std::uint32_t histogramRowStep = 1;

    double saturatedShare() const { return samples == 0 ? 0.0 : static_cast<double>(saturated) / static_cast<double>(samples); }
};

// One written channel reduced to the preview's pixels, `means` for the picture, `maxima` (65535
// where any sample of the block is saturated) and `saturated` (how many) for saturation.
struct ChannelPreview {
    std::vector<std::uint16_t> means;
    std::vector<std::uint16_t> maxima;
    std::vector<std::uint32_t> saturated;
    std::vector<std::uint32_t> valueCounts;  // how many samples hold each value, in the histogram's rows
    ChannelFigures figures;
};

// A scan as the split would write its two channels, reduced to fit the requested box.
struct ScanPreview {
    std::string path;
    std::uint64_t fileSize = 0;
    std::uint32_t width = 0;  // of the written channels: exchanged with the height by a flip
    std::uint32_t height = 0;
    double pixelSizeX = 0;  // micrometres along a written row, as the channel files record it
    double pixelSizeY = 0;
    std::optional<Diagonal> flip;
    BlockGrid grid;  // grid.columns × grid.rows preview pixels
    ChannelPreview channels[2];
};

// The preview was stopped before it was finished.
struct PreviewStopped : std::exception {
    const char* what() const noexcept override { return "preview stopped"; }
};

// Runs `reduce` for each channel, the second on a thread of its own (after the first, on this
// thread, where no thread can be had); `reduce` tells whether its channel was finished. Throws
// the first failure of either, or PreviewStopped when either was stopped.
void reduceBothChannels(const std::function<bool(int channel)>& reduce);

// Opens, checks and reduces the scan at `path`; a file the split would refuse is refused with
// the split's text (UserException), and so is one that another program cuts short meanwhile.
// Each channel is read once, on a thread of its own. Setting `stop` ends the work within a row
// of the scan with PreviewStopped.
ScanPreview previewScan(const std::string& path, const PreviewRequest& request, const std::atomic<bool>* stop = nullptr);

}  // namespace quillane

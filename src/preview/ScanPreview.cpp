#include "preview/ScanPreview.h"

#include "scan/ScanImage.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <numeric>
#include <system_error>
#include <thread>
#include <utility>

namespace quillane {
namespace {

ChannelFigures figuresOf(const ChannelReduction& reduction, std::uint64_t samples) {
    ChannelFigures figures;
    figures.samples = samples;
    if (samples == 0) return figures;
    figures.minimum = reduction.minimum;
    figures.maximum = *std::max_element(reduction.maxima.begin(), reduction.maxima.end());
    figures.mean = static_cast<double>(reduction.sum) / static_cast<double>(samples);
    figures.saturated = std::accumulate(reduction.saturated.begin(), reduction.saturated.end(), std::uint64_t{0});
    const std::vector<std::uint32_t>& counts = reduction.valueCounts;
    for (std::size_t value = 0; value < counts.size(); ++value) figures.histogram[value >> 8] += counts[value];
    figures.histogramRowStep = reduction.valueRowStep;
    return figures;
}

}  // namespace

void reduceBothChannels(const std::function<bool(int channel)>& reduce) {
    bool finished[2] = {false, false};
    std::exception_ptr failures[2];
    const auto run = [&](int c) {
        try {
            finished[c] = reduce(c);
        } catch (...) {
            failures[c] = std::current_exception();
        }
    };
    std::thread second;
    try {
        second = std::thread(run, 1);
    } catch (const std::system_error&) {
        // Read after the first on this thread instead.
    }
    run(0);
    if (second.joinable()) second.join();
    else run(1);
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    if (!finished[0] || !finished[1]) throw PreviewStopped();
}

ScanPreview previewScan(const std::string& path, const PreviewRequest& request, const std::atomic<bool>* stop) {
    ScanImage scan;
    scan.open(path);
    scan.parse();
    scan.requireTwoChannels();

    ScanPreview preview;
    preview.path = path;
    preview.fileSize = scan.fileSize;
    const auto width = static_cast<std::uint32_t>(scan.width);
    const auto height = static_cast<std::uint32_t>(scan.height);
    if (request.flip) preview.flip = request.mainDiagonal ? Diagonal::main : Diagonal::opposite;
    preview.width = preview.flip ? height : width;
    preview.height = preview.flip ? width : height;
    preview.pixelSizeX = preview.flip ? scan.scannerRecord.pixelSizeY : scan.scannerRecord.pixelSizeX;
    preview.pixelSizeY = preview.flip ? scan.scannerRecord.pixelSizeX : scan.scannerRecord.pixelSizeY;
    preview.grid = planBlocks(preview.width, preview.height, std::min(request.boxWidth, PreviewRequest::largestPicture),
                              std::min(request.boxHeight, PreviewRequest::largestPicture));

    ChannelReducer reducers[2] = {{width, height, preview.flip, preview.grid}, {width, height, preview.flip, preview.grid}};
    // Each channel is read through once, from the file into a small buffer of its own: on a
    // large scan that is several times faster than reading through the mapping, whose pages
    // each cost a fault and a table walk, and as fast as reading the file at all.
    reduceBothChannels([&](int c) {
        const std::uint64_t start = static_cast<std::uint64_t>(
            reinterpret_cast<const std::uint8_t*>(scan.channels[c].samples.data) - scan.view());
        const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(ChannelReducer::largestRead);
        return reducers[c].run(
            [&](std::uint64_t offset, std::size_t count) {
                scan.readInput(start + offset, buffer.get(), count);
                return static_cast<const std::uint8_t*>(buffer.get());
            },
            stop);
    });

    for (int c = 0; c < 2; ++c) {
        ChannelReduction reduction = std::move(reducers[c]).result();
        preview.channels[c].figures = figuresOf(reduction, std::uint64_t{width} * height);
        preview.channels[c].means = std::move(reduction.means);
        preview.channels[c].maxima = std::move(reduction.maxima);
        preview.channels[c].saturated = std::move(reduction.saturated);
        preview.channels[c].valueCounts = std::move(reduction.valueCounts);
    }
    return preview;
}

}  // namespace quillane

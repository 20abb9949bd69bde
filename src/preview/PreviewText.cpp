#include "preview/PreviewText.h"

#include <cstdio>

namespace quillane {
namespace {

std::string formatted(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string bytesText(std::uint64_t bytes) {
    const char* const units[] = {"bytes", "KiB", "MiB", "GiB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return unit == 0 ? std::to_string(bytes) + " bytes" : formatted("%.1f ", value) + units[unit];
}

}  // namespace

std::string figuresLine(const ChannelFigures& figures) {
    return "minimum " + std::to_string(figures.minimum) + ", maximum " + std::to_string(figures.maximum) + ", mean " +
           formatted("%.1f", figures.mean) + ", saturated " + std::to_string(figures.saturated) + " (" +
           formatted("%.4g", 100.0 * figures.saturatedShare()) + " %)" +
           (figures.histogramRowStep > 1 ? "; histogram of every " + std::to_string(figures.histogramRowStep) + "th row" : "");
}

std::string scanSummary(const ScanPreview& preview) {
    std::string text = bytesText(preview.fileSize) + ", " + std::to_string(preview.width) + " \u00d7 " +
                       std::to_string(preview.height) + " pixels of " + formatted("%g", preview.pixelSizeX) + " \u00d7 " +
                       formatted("%g", preview.pixelSizeY) + " \u00b5m";
    if (preview.flip) text += preview.flip == Diagonal::main ? ", flipped along the main diagonal" : ", flipped along the opposite diagonal";
    return text;
}

}  // namespace quillane

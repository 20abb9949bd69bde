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

std::string pointLine(const PointValue& value) {
    std::string text = "x " + std::to_string(value.column) + ", y " + std::to_string(value.row) + " (" +
                       formatted("%.1f", value.micrometresX) + " \u00d7 " + formatted("%.1f", value.micrometresY) + " \u00b5m)";
    if (!value.known) return text + ", being read";
    const char* const names[] = {"red", "green"};
    if (value.side == 1) return text + ": red " + std::to_string(value.means[0]) + ", green " + std::to_string(value.means[1]);
    text += ": block of " + std::to_string(value.side) + " \u00d7 " + std::to_string(value.side);
    for (int c = 0; c < 2; ++c)
        text += std::string(", ") + names[c] + " mean " + std::to_string(value.means[c]) + " maximum " + std::to_string(value.maxima[c]);
    return text;
}

std::string scaleText(const ZoomScale& scale, bool fit) {
    const std::string ratio = scale.pixelsPerSample >= 1 ? formatted("%g", scale.pixelsPerSample) + " : 1"
                                                         : "1 : " + formatted("%.3g", 1 / scale.pixelsPerSample);
    return fit ? "fit (" + ratio + ")" : ratio;
}

}  // namespace quillane

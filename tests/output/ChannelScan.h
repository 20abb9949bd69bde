#pragma once

#include "output/ChannelWriter.h"
#include "scan/ScanImage.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillane::testing {

// A scan set up field by field for the writer, as parse would leave it: two channels of the
// builder's sample pattern, colours red and green, every text "NONE", pixel sizes 5.0 and 0.0.
struct ChannelScan {
    ChannelScan(std::uint32_t width, std::uint32_t height) {
        scan.width = static_cast<std::int32_t>(width);
        scan.height = static_cast<std::int32_t>(height);
        scan.scannerRecord.channelCount = 2;
        scan.scannerRecord.channelColour[0] = 0;
        scan.scannerRecord.channelColour[1] = 1;
        scan.scannerRecord.pixelSizeX = 5.0;
        scan.scannerRecord.pixelSizeY = 0.0;
        for (int c = 0; c < 2; ++c) {
            pixels[c].resize(std::size_t{width} * height);
            for (std::uint32_t r = 0; r < height; ++r)
                for (std::uint32_t col = 0; col < width; ++col)
                    pixels[c][std::size_t{r} * width + col] = ScanBuilder::patternSample(c, r, col);
            scan.channels[c].samples.data = pixels[c].data();
            scan.channels[c].samples.count = static_cast<std::uint32_t>(pixels[c].size());
        }
    }

    ScanImage scan;
    ChannelWriter writer{scan};
    std::vector<std::uint16_t> pixels[2];
};


// What libtiff said about a written file that counts as a fault. DateTime is fixed at 20 bytes:
// a shorter text is followed by zero bytes, a form TIFF allows but libtiff warns about as a
// limitation of its own; a longer one fills all 20 without a zero byte, which libtiff reads
// and warns about too. Those two warnings are expected for such dates, and nothing else.
inline std::vector<std::string> unexpectedMessages(const TiffReadBack& tiff, const std::string& dateTime) {
    std::vector<std::string> unexpected;
    for (const std::string& message : tiff.messages) {
        const bool paddedDateTime = dateTime.size() < 19 && message.find("\"DateTime\" contains null byte") != std::string::npos;
        const bool fullDateTime = dateTime.size() > 19 && message.find("\"DateTime\" does not end in null byte") != std::string::npos;
        if (!paddedDateTime && !fullDateTime) unexpected.push_back(message);
    }
    return unexpected;
}

}  // namespace quillane::testing

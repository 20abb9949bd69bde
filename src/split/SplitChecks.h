#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillane {

class ScanImage;

// What a scan holds, as a report tells it once the scan has been read: its size before any
// flip, its channels and their dye colours, the scanner's pixel size in micrometres and the
// seven texts the channel files carry on.
struct ScanFacts {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t channelCount = 0;
    // The colour name of each channel the scan holds (at most four), as its channel file's
    // page is named.
    std::vector<std::string> colours;
    double pixelSizeX = 0;
    double pixelSizeY = 0;
    std::string hostComputer, model, make, software, artist, dateTime, description;
};

// The facts of a scan that `parse` has filled.
ScanFacts factsOf(const ScanImage& scan);

// The message for an output folder that cannot be entered.
std::string outputFolderRefusal(const std::string& folder);

// Reads and checks `path` as a split does before it writes anything (its layout and its two
// channels) and gives its facts; writes nothing. Throws UserException with the split's text.
ScanFacts checkScan(const std::string& path);
// Reads `path` as a split does and gives its facts, whatever its channel count. Throws
// UserException when its layout is refused.
ScanFacts readScanFacts(const std::string& path);

}  // namespace quillane

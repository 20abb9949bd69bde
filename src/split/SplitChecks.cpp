#include "split/SplitChecks.h"

#include "scan/ScanImage.h"

#include <algorithm>

namespace quillane {

ScanFacts factsOf(const ScanImage& scan) {
    ScanFacts facts;
    facts.width = scan.width;
    facts.height = scan.height;
    facts.channelCount = scan.scannerRecord.channelCount;
    const int held = std::clamp(facts.channelCount, 0, 4);
    for (int c = 0; c < held; ++c) {
        // The names the channel writer gives the pages.
        facts.colours.emplace_back(scan.scannerRecord.channelName(c));
    }
    facts.pixelSizeX = scan.scannerRecord.pixelSizeX;
    facts.pixelSizeY = scan.scannerRecord.pixelSizeY;
    facts.hostComputer = scan.hostComputer;
    facts.model = scan.model;
    facts.make = scan.make;
    facts.software = scan.software;
    facts.artist = scan.artist;
    facts.dateTime = scan.dateTime;
    facts.description = scan.description;
    return facts;
}

std::string outputFolderRefusal(const std::string& folder) {
    return "The Output path (" + folder + ") is not a valid path. Please correct this and try again";
}

ScanFacts readScanFacts(const std::string& path) {
    ScanImage scan;
    scan.open(path);
    scan.parse();
    return factsOf(scan);
}

ScanFacts checkScan(const std::string& path) {
    ScanImage scan;
    scan.open(path);
    scan.parse();
    scan.requireTwoChannels();
    return factsOf(scan);
}

}  // namespace quillane

// Writes a two-channel 16-bit scan of any size in the scanner's layout, for the peer comparison:
//   quillane_make_scan WIDTH HEIGHT OUTPUT [--odd] [--spots]
// --odd starts the channels' samples at odd offsets; --spots makes them look like a scanned slide.
#include "ScanFile.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    quillane::bench::ScanFileShape shape;
    bool understood = argc >= 4;
    for (int i = 4; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--odd") shape.oddPixelOffsets = true;
        else if (option == "--spots") shape.spots = true;
        else understood = false;
    }
    if (!understood) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT OUTPUT [--odd] [--spots]\n", argv[0]);
        return 2;
    }
    try {
        shape.width = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
        shape.height = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
        quillane::bench::writeScanFile(argv[3], shape);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    return 0;
}

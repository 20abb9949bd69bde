// Writes a two-channel 16-bit scan of any size in the scanner's layout, for the peer comparison:
//   quillane_make_scan WIDTH HEIGHT OUTPUT [--odd]
#include "ScanFile.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5 || (argc == 5 && std::string(argv[4]) != "--odd")) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT OUTPUT [--odd]\n", argv[0]);
        return 2;
    }
    try {
        quillane::bench::ScanFileShape shape;
        shape.width = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
        shape.height = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
        shape.oddPixelOffsets = argc == 5;
        quillane::bench::writeScanFile(argv[3], shape);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    return 0;
}

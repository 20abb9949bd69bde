#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillane::testing {

// A single-page 16-bit grey TIFF as libtiff, an independent reader, sees it. Every error and
// warning libtiff raises while opening and reading the file lands in `messages`.
struct TiffReadBack {
    bool opened = false;
    std::vector<std::string> messages;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t samplesPerPixel = 0;
    std::uint16_t resolutionUnit = 0;
    float xResolution = 0;
    float yResolution = 0;
    std::string pageName;
    std::string dateTime;
    std::string description, make, model, software, artist, hostComputer;
    std::uint32_t subfileType = 0xFFFFFFFF;
    std::uint16_t compression = 0;
    std::uint16_t photometric = 0;
    std::uint16_t planarConfiguration = 0;
    std::uint16_t minSampleValue = 0;
    std::uint16_t maxSampleValue = 0;
    std::uint32_t rowsPerStrip = 0;
    std::vector<std::uint64_t> stripOffsets;
    std::vector<std::uint64_t> stripByteCounts;
    std::uint16_t directoryCount = 0;
    std::vector<std::uint16_t> pixels;  // row after row
};

TiffReadBack readTiff(const std::filesystem::path& file);

// The first few positions where two width-wide images differ, as "(row, column): expected
// vs actual" lines; empty when they are equal.
std::string firstMismatches(const std::vector<std::uint16_t>& expected, const std::vector<std::uint16_t>& actual,
                            std::uint32_t width, int limit = 5);

// `count` samples starting at any byte address (samples inside a mapped file may be odd).
std::vector<std::uint16_t> samplesAt(const void* first, std::size_t count);

}  // namespace quillane::testing

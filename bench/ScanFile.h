#pragma once

#include <cstdint>
#include <string>

// Scanner-layout input files of any size for the benchmarks and the peer comparison, written
// row by row so that a 1.2 GB scan needs no more memory than a few rows.
namespace quillane::bench {

struct ScanFileShape {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // Start each channel's samples at an odd file offset, as some scanners' files do.
    bool oddPixelOffsets = false;
    // Samples that look like a scanned slide (spotSample) rather than scanSample's.
    bool spots = false;
};

// The sample of channel `channel` at row r, column c: cheap, and different in every row,
// column and channel, so a misplaced sample shows.
inline std::uint16_t scanSample(int channel, std::uint32_t r, std::uint32_t c) {
    return static_cast<std::uint16_t>((r * 7919u + c * 104729u + static_cast<std::uint32_t>(channel) * 40503u) ^ (r << 3));
}

// The sample of channel `channel` at row r, column c of a scanned slide: round spots on a grid,
// in blocks of 16 × 16 spots, over a dim, noisy background. Each spot's brightness is spread over
// nine and a half octaves, so that a few percent of them saturate (65535), and the two dyes differ
// spot by spot by up to twice either way.
std::uint16_t spotSample(int channel, std::uint32_t r, std::uint32_t c);

// Writes a two-channel 16-bit scan: "II" header, one directory per channel (strip per row,
// LONG offsets and byte counts), the scanner record behind tag 37701 in the first one, then
// each channel's samples contiguously. Throws std::runtime_error when the file cannot be written.
void writeScanFile(const std::string& path, const ScanFileShape& shape);

}  // namespace quillane::bench

#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillane::testing {

// Channel `channel` of a ScanBuilder scan, row after row.
std::vector<std::uint16_t> patternImage(int channel, std::uint32_t width, std::uint32_t height);

// The same channel reflected across the main or the opposite diagonal: height samples per row,
// width rows, each sample placed by the plain mapping.
std::vector<std::uint16_t> reflectedPatternImage(int channel, std::uint32_t width, std::uint32_t height, bool mainDiagonal);

// The names in a folder, sorted, to show that nothing but the expected files is left there.
std::vector<std::string> namesIn(const std::filesystem::path& folder);

// Whether this process still has the file open or mapped.
bool processHolds(const std::filesystem::path& file);

}  // namespace quillane::testing

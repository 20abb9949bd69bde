#include "support/Expectations.h"

#include "support/ScanBuilder.h"

#include <algorithm>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillane::testing {

std::vector<std::uint16_t> patternImage(int channel, std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint16_t> pixels;
    pixels.reserve(std::size_t{width} * height);
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c) pixels.push_back(ScanBuilder::patternSample(channel, r, c));
    return pixels;
}

std::vector<std::uint16_t> reflectedPatternImage(int channel, std::uint32_t width, std::uint32_t height, bool mainDiagonal) {
    std::vector<std::uint16_t> pixels(std::size_t{width} * height);
    for (std::uint32_t r = 0; r < height; ++r)
        for (std::uint32_t c = 0; c < width; ++c) {
            const std::size_t at = mainDiagonal ? std::size_t{c} * height + r
                                                : std::size_t{width - 1 - c} * height + (height - 1 - r);
            pixels[at] = ScanBuilder::patternSample(channel, r, c);
        }
    return pixels;
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool processHolds(const std::filesystem::path& file) {
#ifdef _WIN32
    // Windows has no list of a process's open files to read; but while any handle or mapped view
    // holds the file, opening it with no sharing at all is refused. Nothing else opens it here.
    const HANDLE probe = ::CreateFileA(file.string().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
    ::CloseHandle(probe);
    return false;
#else
    const std::filesystem::path target = std::filesystem::canonical(file);
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(entry.path(), ignored) == target) return true;
    }
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find(target.string()) != std::string::npos) return true;
    return false;
#endif
}

}  // namespace quillane::testing

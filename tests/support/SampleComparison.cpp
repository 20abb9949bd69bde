// The comparisons of samples that go with reading a file back, whichever reader reads it.
#include "support/TiffReadBack.h"

#include <algorithm>
#include <sstream>

namespace quillane::testing {

std::string firstMismatches(const std::vector<std::uint16_t>& expected, const std::vector<std::uint16_t>& actual,
                            std::uint32_t width, int limit) {
    std::ostringstream out;
    if (expected.size() != actual.size())
        out << "sizes differ: expected " << expected.size() << " samples, got " << actual.size() << "\n";
    const std::size_t n = std::min(expected.size(), actual.size());
    int shown = 0;
    for (std::size_t i = 0; i < n && shown < limit; ++i) {
        if (expected[i] == actual[i]) continue;
        out << "(" << (width ? i / width : i) << ", " << (width ? i % width : 0) << "): expected " << expected[i]
            << " vs " << actual[i] << "\n";
        ++shown;
    }
    return out.str();
}

std::vector<std::uint16_t> samplesAt(const void* first, std::size_t count) {
    std::vector<std::uint16_t> samples(count);
    const auto* bytes = static_cast<const std::uint8_t*>(first);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

}  // namespace quillane::testing

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillane {

// Everything a channel file states about its image apart from the pixels.
struct ChannelFileFields {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::string description;
    std::string make;
    std::string model;
    std::string software;
    std::string dateTime;
    std::string artist;
    std::string hostComputer;
    std::string pageName;
    bool pageOfMany = false;  // NewSubfileType 2 (one page of a multi-page scan) rather than 0
    double pixelSizeX = 0.0;  // micrometres along a row of the image written
    double pixelSizeY = 0.0;  // micrometres down a column of it
};

struct Rational {
    std::uint32_t numerator = 0;
    std::uint32_t denominator = 0;
    bool operator==(const Rational&) const = default;
};

// Pixels per centimetre for a pixel size in micrometres, as the file stores it: 10000 over a
// whole number of micrometres, 10000000 over the nanometres of any other size (truncated to
// whole micrometres when they pass 32 bits), and 10000 over 10 when the size is unknown
// (0, not a number) or makes no sense (negative, infinite, too large).
Rational resolutionFor(double pixelSize);

inline constexpr std::size_t headerSize = 8;
inline constexpr std::uint16_t directoryEntryCount = 24;
inline constexpr std::size_t directorySize = 2 + 12 * directoryEntryCount + 4;
inline constexpr std::uint32_t valueAreaStart = headerSize + directorySize;
inline constexpr std::size_t dateTimeSize = 20;
static_assert(directorySize == 294);
static_assert(valueAreaStart == 302);

// The bytes of a channel file up to its pixels, in the order they stand in the file: header,
// the one image directory, then the values that do not fit into their entries.
struct ChannelFileLayout {
    std::array<std::uint8_t, headerSize> header{};
    std::array<std::uint8_t, directorySize> directory{};
    std::vector<std::uint8_t> valueArea;  // from valueAreaStart up to pixelOffset
    std::uint32_t pixelOffset = 0;
    std::uint64_t pixelBytes = 0;  // 2 × width × height, written from pixelOffset on
    std::uint64_t fileSize() const { return std::uint64_t{pixelOffset} + pixelBytes; }
};

// Lays the file out: one strip per row, 16-bit grey samples, the 24 entries in tag order.
// None when the file would pass the 4 GiB that a TIFF's 32-bit offsets can address.
std::optional<ChannelFileLayout> layOutChannelFile(const ChannelFileFields& fields);

}  // namespace quillane

#include "output/TiffLayout.h"

#include "scan/LittleEndian.h"

#include <algorithm>
#include <cmath>

namespace quillane {

namespace {

enum FieldType : std::uint16_t { asciiType = 2, shortType = 3, longType = 4, rationalType = 5 };

constexpr std::uint64_t largestOffset = 0xFFFFFFFFu;
constexpr Rational unknownResolution{10000, 10};

// Fills the directory entry by entry and the value area behind it, handing out offsets as the
// items are appended; the value area follows the entries' order, so one pass does both. The
// area grows as items are appended, so it is only ever addressed by index, afresh for each
// store: a pointer taken before an append would point into freed memory after it.
class LayoutWriter {
public:
    explicit LayoutWriter(ChannelFileLayout& layout) : layout_(layout) {
        le::store16(layout_.directory.data(), directoryEntryCount);
    }

    // Where the next value-area item starts.
    std::uint64_t nextOffset() const { return valueAreaStart + layout_.valueArea.size(); }

    // An entry whose value field holds `field`; returns where that field is, for later patching.
    std::size_t entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t field) {
        const std::size_t at = 2 + 12 * entries_++;
        std::uint8_t* bytes = layout_.directory.data() + at;
        le::store16(bytes, tag);
        le::store16(bytes + 2, type);
        le::store32(bytes + 4, count);
        le::store32(bytes + 8, field);
        return at + 8;
    }

    // An entry whose values go to the value area; returns the area index of the first byte.
    std::size_t outOfLine(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::size_t bytes) {
        entry(tag, type, count, static_cast<std::uint32_t>(nextOffset()));
        const std::size_t start = layout_.valueArea.size();
        layout_.valueArea.resize(start + bytes, 0);
        return start;
    }

    void store16(std::size_t at, std::uint16_t value) { le::store16(layout_.valueArea.data() + at, value); }
    void store32(std::size_t at, std::uint32_t value) { le::store32(layout_.valueArea.data() + at, value); }

    // Texts of up to 3 characters stand in the entry with their zero byte; longer ones go to
    // the value area, padded to an even length so the next item starts at an even offset.
    void text(std::uint16_t tag, const std::string& value) {
        const auto count = static_cast<std::uint32_t>(value.size() + 1);
        if (count <= 4) {
            const std::size_t field = entry(tag, asciiType, count, 0);
            std::copy(value.begin(), value.end(), layout_.directory.begin() + static_cast<std::ptrdiff_t>(field));
            return;
        }
        const std::size_t start = outOfLine(tag, asciiType, count, count + (count & 1));
        std::copy(value.begin(), value.end(), layout_.valueArea.begin() + static_cast<std::ptrdiff_t>(start));
    }

    void rational(std::uint16_t tag, Rational value) {
        const std::size_t start = outOfLine(tag, rationalType, 1, 8);
        store32(start, value.numerator);
        store32(start + 4, value.denominator);
    }

private:
    ChannelFileLayout& layout_;
    std::size_t entries_ = 0;
};

}  // namespace

Rational resolutionFor(double pixelSize) {
    // NaN fails every comparison and so lands on the unknown resolution too.
    if (pixelSize >= 1.0 && pixelSize < 4294967296.0) {
        const double whole = std::trunc(pixelSize);
        // A size between whole micrometres keeps its fraction, in nanometres, while they fit.
        if (pixelSize != whole) {
            const double nanometres = std::round(pixelSize * 1000.0);
            if (nanometres <= 4294967295.0) return {10000000, static_cast<std::uint32_t>(nanometres)};
        }
        return {10000, static_cast<std::uint32_t>(whole)};
    }
    if (pixelSize > 0.0 && pixelSize < 1.0) {
        const auto nanometres = static_cast<std::uint32_t>(std::round(pixelSize * 1000.0));
        if (nanometres != 0) return {10000000, nanometres};
    }
    return unknownResolution;
}

std::optional<ChannelFileLayout> layOutChannelFile(const ChannelFileFields& fields) {
    ChannelFileLayout layout;
    layout.header = {'I', 'I', 42, 0, 8, 0, 0, 0};

    const std::uint32_t height = fields.height;
    const std::uint64_t rowBytes = 2 * std::uint64_t{fields.width};
    LayoutWriter out(layout);

    out.entry(254, longType, 1, fields.pageOfMany ? 2 : 0);
    out.entry(256, longType, 1, fields.width);
    out.entry(257, longType, 1, height);
    out.entry(258, shortType, 1, 16);
    out.entry(259, shortType, 1, 1);
    out.entry(262, shortType, 1, 1);
    out.text(270, fields.description);
    out.text(271, fields.make);
    out.text(272, fields.model);

    // Readers take an array that fits into the 4-byte field from the field itself, so a single
    // strip offset stands there (filled in once the pixel offset is known).
    std::optional<std::size_t> inlineStripOffset;
    std::size_t stripOffsetsAt = 0;
    if (height == 1)
        inlineStripOffset = out.entry(273, longType, 1, 0);
    else
        stripOffsetsAt = out.outOfLine(273, longType, height, 4 * std::size_t{height});

    out.entry(277, shortType, 1, 1);
    out.entry(278, longType, 1, 1);

    // Byte counts are SHORT unless a row is too long for 16 bits.
    if (rowBytes > 0xFFFF) {
        if (rowBytes > largestOffset) return std::nullopt;
        const auto count = static_cast<std::uint32_t>(rowBytes);
        if (height == 1) {
            out.entry(279, longType, 1, count);
        } else {
            const std::size_t start = out.outOfLine(279, longType, height, 4 * std::size_t{height});
            for (std::uint32_t i = 0; i < height; ++i) out.store32(start + 4 * std::size_t{i}, count);
        }
    } else {
        const auto count = static_cast<std::uint16_t>(rowBytes);
        if (height <= 2) {
            out.entry(279, shortType, height, height == 2 ? (std::uint32_t{count} << 16 | count) : height * std::uint32_t{count});
        } else {
            const std::size_t start = out.outOfLine(279, shortType, height, 2 * std::size_t{height});
            for (std::uint32_t i = 0; i < height; ++i) out.store16(start + 2 * std::size_t{i}, count);
        }
    }

    out.entry(280, shortType, 1, 0);
    out.entry(281, shortType, 1, 0xFFFF);
    out.rational(282, resolutionFor(fields.pixelSizeX));
    out.rational(283, resolutionFor(fields.pixelSizeY));
    out.entry(284, shortType, 1, 1);
    out.text(285, fields.pageName);
    out.entry(296, shortType, 1, 3);
    out.text(305, fields.software);

    // DateTime always takes 20 bytes: a date in TIFF's 19-character form and its zero byte fill
    // it exactly, a shorter text is followed by zero bytes, a longer one keeps its first 20.
    {
        const std::size_t start = out.outOfLine(306, asciiType, dateTimeSize, dateTimeSize);
        const std::size_t kept = std::min(fields.dateTime.size(), dateTimeSize);
        std::copy_n(fields.dateTime.begin(), kept, layout.valueArea.begin() + static_cast<std::ptrdiff_t>(start));
    }

    out.text(315, fields.artist);
    out.text(316, fields.hostComputer);
    // The next-directory offset after the last entry stays 0: the file has one page.

    const std::uint64_t pixelOffset = out.nextOffset();
    layout.pixelBytes = rowBytes * height;
    if (pixelOffset + layout.pixelBytes > largestOffset) return std::nullopt;
    layout.pixelOffset = static_cast<std::uint32_t>(pixelOffset);

    if (inlineStripOffset) {
        le::store32(layout.directory.data() + *inlineStripOffset, layout.pixelOffset);
    } else {
        for (std::uint32_t i = 0; i < height; ++i)
            out.store32(stripOffsetsAt + 4 * std::size_t{i}, static_cast<std::uint32_t>(pixelOffset + i * rowBytes));
    }
    return layout;
}

}  // namespace quillane

#include "scan/ScannerRecord.h"

#include "scan/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace quillane {

const char* const channelNames[4] = {"Red", "Green", "Purple", "Yellow"};

const char* ScannerRecord::channelName(int channel) const {
    const std::int32_t colour = channelColour[channel];
    return channelNames[colour >= 0 && colour < 4 ? colour : channel];
}

std::uint32_t scannerRecordCopyLength(std::int32_t kind) {
    switch (kind) {
    case 1: return 208;
    case 2: return 620;
    case 3: return 3176;
    case 4:
    case 5: return 1012;
    default: return 3176;
    }
}

namespace {

// Copies the part of [begin, end) of the stored record that lies within the first `length`
// bytes into `target`, which stands for that same range.
void copyRange(void* target, const std::uint8_t* bytes, std::uint32_t length, std::uint32_t begin, std::uint32_t end) {
    if (length <= begin) return;
    std::memcpy(target, bytes + begin, std::min(length, end) - begin);
}

}  // namespace

void ScannerRecord::decode(const std::uint8_t* bytes, std::uint32_t length) {
    length = std::min(length, storedSize);
    auto has = [length](std::uint32_t offset, std::uint32_t size) { return offset + size <= length; };

    if (has(0, 4)) kind = static_cast<std::int32_t>(le::load32(bytes + 0));
    if (has(4, 4)) channelCount = static_cast<std::int32_t>(le::load32(bytes + 4));
    for (std::uint32_t c = 0; c < 4; ++c)
        if (has(8 + 4 * c, 4)) channelColour[c] = static_cast<std::int32_t>(le::load32(bytes + 8 + std::size_t{4} * c));
    copyRange(carriedA, bytes, length, 24, 152);
    if (has(152, 8)) pixelSizeX = le::loadDouble(bytes + 152);
    if (has(160, 8)) pixelSizeY = le::loadDouble(bytes + 160);
    copyRange(carriedB, bytes, length, 168, 756);
    copyRange(descriptionText, bytes, length, 756, 1012);
    copyRange(carriedC, bytes, length, 1012, 3176);
}

}  // namespace quillane

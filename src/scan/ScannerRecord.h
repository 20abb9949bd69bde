#pragma once

#include <cstddef>
#include <cstdint>

namespace quillane {

// The scanner's private metadata block behind tag 37701, 3176 bytes. The program reads the
// named fields; the bytes between them are carried along unread.
struct ScannerRecord {
    std::int32_t kind = 0;               // layout selector
    std::int32_t channelCount = 0;       // one image directory per channel
    std::int32_t channelColour[4] = {};  // index into channelNames, per channel
    std::uint8_t carriedA[128] = {};
    double pixelSizeX = 0.0;             // micrometres along a row
    double pixelSizeY = 0.0;             // micrometres down a column
    std::uint8_t carriedB[588] = {};
    char descriptionText[256] = {};      // record kind 4 only
    std::uint8_t carriedC[2164] = {};

    static constexpr std::uint32_t storedSize = 3176;

    // Fills the record from the first `length` bytes of a stored record (little-endian);
    // bytes beyond `length` keep their value.
    void decode(const std::uint8_t* bytes, std::uint32_t length);
    // The name of channel 0 to 3, which its channel file's page takes: that of the colour the
    // scanner recorded for it, or the channel's own where the record holds an impossible index.
    const char* channelName(int channel) const;
};

static_assert(sizeof(ScannerRecord) == ScannerRecord::storedSize);
static_assert(offsetof(ScannerRecord, kind) == 0);
static_assert(offsetof(ScannerRecord, channelCount) == 4);
static_assert(offsetof(ScannerRecord, channelColour) == 8);
static_assert(offsetof(ScannerRecord, pixelSizeX) == 152);
static_assert(offsetof(ScannerRecord, pixelSizeY) == 160);
static_assert(offsetof(ScannerRecord, descriptionText) == 756);

// How many bytes of a stored record of this kind are copied.
std::uint32_t scannerRecordCopyLength(std::int32_t kind);

// Channel names by colour index: "Red", "Green", "Purple", "Yellow".
extern const char* const channelNames[4];

}  // namespace quillane

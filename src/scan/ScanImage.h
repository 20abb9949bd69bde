#pragma once

#include "platform/MappedFile.h"
#include "scan/ChannelBuffer.h"
#include "scan/ScannerRecord.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillane {

// One 12-byte entry of an image directory, decoded.
struct DirectoryEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t valueField = 0;     // the 4 bytes at entry offset 8, little-endian
    std::uint32_t valueFieldAt = 0;   // file offset of those 4 bytes
};

// One input scan, held for the time it takes to split it: the mapped input file, the first
// directory's dimensions and texts, a copy of the scanner record and one channel per image
// directory, whose samples point straight into the mapping until a flip replaces them. It only
// reads: ChannelWriter (output/) writes its channels.
class ScanImage {
public:
    ScanImage() = default;
    ScanImage(const ScanImage&) = delete;
    ScanImage& operator=(const ScanImage&) = delete;
    virtual ~ScanImage();

    // Opens and maps the input file read-only. Throws UserException.
    void open(const std::string& path);
    // Checks the mapped file against the scanner's layout and fills the fields below.
    // Throws UserException with the refusal's text.
    void parse();
    // Releases the mapping and the file, and forgets what was read for the scan (its directory,
    // its exchanged axes), so that the next open starts afresh. Safe to call again.
    void close();
    // Two channel files are made of every scan: one without a second channel is refused.
    void requireTwoChannels() const;
    // Reads `count` bytes of the input from `offset` on into `buffer`, from the file itself rather
    // than through the mapping; an input that another program has cut short meanwhile, or that
    // cannot be read, is refused as the split refuses it.
    void readInput(std::uint64_t offset, void* buffer, std::size_t count) const;

    // The channels seen flipped: exchanges width and height, so that rows now run along the
    // input's columns, and remembers it for the pixel sizes written.
    void exchangeAxes();

    // Directory-entry accessors over the current image directory.
    std::optional<DirectoryEntry> findEntry(std::uint16_t tag) const;
    std::uint32_t entryValue(std::uint16_t tag, std::uint32_t fallback) const;
    double entryRational(std::uint16_t tag, double fallback) const;
    std::string entryText(std::uint16_t tag, const std::string& fallback) const;
    // File offset of the scanner record named by tag 37701, or none.
    std::optional<std::uint32_t> findScannerRecord() const;
    // The i-th value of the current directory's StripOffsets entry.
    std::uint32_t stripOffset(std::uint32_t i) const;
    const std::uint8_t* stripAddress(std::uint32_t i) const;

    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t bitsPerSample = 16;
    std::string path;
    std::uint32_t fileSize = 0;
    std::string hostComputer = "NONE";
    std::string model = "NONE";
    std::string make = "NONE";
    std::string software = "NONE";
    std::string artist = "NONE";
    std::string dateTime = "NONE";
    std::string description = "NONE";
    ChannelBuffer channels[4];
    ScannerRecord scannerRecord;  // all zero until parse
    bool axesExchanged = false;   // set by exchangeAxes: pixelSizeX now lies down the columns

    // The current image directory: its entry count and the file offset of its first entry.
    std::int32_t ifdEntryCount = 0;
    std::uint32_t ifdEntries = 0;
    std::optional<DirectoryEntry> stripOffsetsEntry;
    std::optional<DirectoryEntry> stripByteCountsEntry;

    const std::uint8_t* view() const { return input_.view(); }
    const MappedFile& inputFile() const { return input_; }

    // The input file is shorter now than when it was mapped: another program changed it.
    bool inputCutShort() const;
    [[noreturn]] void refuseChangedInput() const;
    // A read of the input failed with the system's `error` (0: it ended early): a file cut
    // short was changed by another program; anything else is the medium failing under it.
    [[noreturn]] void failInputRead(std::uint32_t error) const;

private:
    // Bounds-checked, guarded copies of the mapped bytes; a read past fileSize refuses the file.
    void requireInside(std::uint64_t offset, std::uint64_t count) const;
    void copyInput(std::uint64_t offset, std::uint64_t count, void* destination) const;
    std::uint16_t read16(std::uint64_t offset) const;
    std::uint32_t read32(std::uint64_t offset) const;
    [[noreturn]] void refuse(const char* reason, bool prefixed) const;
    void makeDirectoryCurrent(std::uint32_t offset);
    std::uint32_t nextDirectoryOffset() const;
    void fillChannel(int channel);

    MappedFile input_;
};

}  // namespace quillane

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

class OutputFile;
class ProgressObserver;

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
// directory, whose samples point straight into the mapping until a flip replaces them.
class ScanImage {
public:
    // Writing a channel tells `progress`, when given, that it is still under way (see
    // ProgressObserver): a stop it throws abandons the channel file being written.
    explicit ScanImage(ProgressObserver* progress = nullptr);
    ScanImage(const ScanImage&) = delete;
    ScanImage& operator=(const ScanImage&) = delete;
    virtual ~ScanImage();

    // Opens and maps the input file read-only. Throws UserException.
    void open(const std::string& path);
    // Checks the mapped file against the scanner's layout and fills the fields below.
    // Throws UserException with the refusal's text.
    void parse();
    // Releases the mapping, the file and any output file still held, and forgets what was read
    // and planned for the scan (its directory, a pending flip), so that the next open starts
    // afresh. Safe to call again.
    void close();
    // Two channel files are made of every scan: one without a second channel is refused.
    void requireTwoChannels() const;
    // Reads `count` bytes of the input from `offset` on into `buffer`, from the file itself rather
    // than through the mapping; an input that another program has cut short meanwhile, or that
    // cannot be read, is refused as the split refuses it.
    void readInput(std::uint64_t offset, void* buffer, std::size_t count) const;

    // Writes channel 0 or 1 as a single-page 16-bit TIFF. Throws UserException.
    void writeChannel(const std::string& outputPath, int channel);
    // Refuses, in writeChannel's words, what writing `outputPath` would refuse before anything
    // is written (a file that may not be written, a name too long); writes nothing.
    static void checkOutput(const std::string& outputPath);
    // Writes channel 0 or 1 as writeChannel does, but leaves the complete file without its name
    // in outputFiles[channel], for nameChannelFiles to name with the other channel's.
    void writeChannelUnnamed(const std::string& outputPath, int channel);
    // Names both files written by writeChannelUnnamed together: both take their names, or
    // neither changes what stood there before. `changed` receives the paths that now hold a new
    // file, also when a failure is thrown. Throws UserException.
    void nameChannelFiles(std::vector<std::string>& changed);
    // Reflect a width × height channel across a diagonal into a height × width destination.
    void flipMainDiagonal(std::uint16_t* destination, const std::uint16_t* source);
    void flipOppositeDiagonal(std::uint16_t* destination, const std::uint16_t* source);
    // After every channel is flipped: exchanges width and height, so that rows now run along
    // the input's columns, and remembers it for the pixel sizes written.
    void exchangeAxes();
    // Flips every channel written from now on as it is written, a band of rows at a time through
    // buffers taken here and used again for each channel, instead of into a whole copy of it
    // beforehand; exchanges width and height as flipping every channel would. The buffers come to
    // about twice flipBandBytes; when they cannot be had, std::bad_alloc.
    void flipWhenWritten(bool mainDiagonal);

    // About how much of a flipped channel is made at a time while it is written.
    static constexpr std::size_t defaultFlipBandBytes = std::size_t{8} << 20;
    std::size_t flipBandBytes = defaultFlipBandBytes;
    // How much of a channel that is not flipped is read from the input at a time to be written.
    static constexpr std::size_t copyPieceBytes = std::size_t{512} << 10;

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

    // The output file of channel 0 or 1 while it is written; after a failed write it stays
    // here until close().
    std::unique_ptr<OutputFile> outputFiles[2];

    // The current image directory: its entry count and the file offset of its first entry.
    std::int32_t ifdEntryCount = 0;
    std::uint32_t ifdEntries = 0;
    std::optional<DirectoryEntry> stripOffsetsEntry;
    std::optional<DirectoryEntry> stripByteCountsEntry;

    const std::uint8_t* view() const { return input_.view(); }
    const MappedFile& inputFile() const { return input_; }

private:
    // Bounds-checked, guarded copies of the mapped bytes; a read past fileSize refuses the file.
    void requireInside(std::uint64_t offset, std::uint64_t count) const;
    void copyInput(std::uint64_t offset, std::uint64_t count, void* destination) const;
    std::uint16_t read16(std::uint64_t offset) const;
    std::uint32_t read32(std::uint64_t offset) const;
    [[noreturn]] void refuse(const char* reason, bool prefixed) const;
    // The input file is shorter now than when it was mapped: another program changed it.
    bool inputCutShort() const;
    [[noreturn]] void refuseChangedInput() const;
    // A read of the input failed with the system's `error` (0: it ended early): a file cut
    // short was changed by another program; anything else is the medium failing under it.
    [[noreturn]] void failInputRead(std::uint32_t error) const;
    void makeDirectoryCurrent(std::uint32_t offset);
    std::uint32_t nextDirectoryOffset() const;
    void fillChannel(int channel);
    // Write the samples at `pixels`, flipped as pending, or the `count` bytes of the input from
    // `offset` on; false when the input failed under them, with the reason in inputError_.
    bool writeFlippedSamples(OutputFile& file, const void* pixels);
    bool copyFromInput(OutputFile& file, std::uint64_t offset, std::uint64_t count);

    MappedFile input_;
    ProgressObserver* progress_ = nullptr;
    struct PendingFlip {
        bool mainDiagonal = true;
        std::uint32_t sourceWidth = 0;
        std::uint32_t sourceHeight = 0;
        std::size_t bandBytes = 0;
    };
    std::optional<PendingFlip> pendingFlip_;
    std::uint32_t inputError_ = 0;
    std::unique_ptr<std::uint16_t[]> flipBands_[2];
};

}  // namespace quillane

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillane {

class OutputFile;
class ProgressObserver;
class ScanImage;

// Writes the channels of a read scan, each as a single-page 16-bit TIFF through an OutputFile:
// whole or not at all, flipped on the way when asked. Every failure throws UserException.
class ChannelWriter {
public:
    // Writing tells `progress`, when given, that it is still under way: a stop it throws abandons
    // the channel file being written. The scan outlives the writer.
    explicit ChannelWriter(ScanImage& scan, ProgressObserver* progress = nullptr);
    ChannelWriter(const ChannelWriter&) = delete;
    ChannelWriter& operator=(const ChannelWriter&) = delete;
    // Abandons a file written but not committed.
    ~ChannelWriter();

    // Refuses, in writeChannel's words, what writing `outputPath` would refuse before anything is
    // written (a file that may not be written, a name too long).
    static void checkOutput(const std::string& outputPath);
    // Writes channel 0 or 1 and puts it in place.
    void writeChannel(const std::string& outputPath, int channel);
    // Writes channel 0 or 1 as writeChannel does, but keeps the complete file hidden for
    // commitChannelFiles.
    void writeChannelToCommit(const std::string& outputPath, int channel);
    // Puts both files written by writeChannelToCommit in place together: both take their names,
    // or neither changes what stood there before. `changed` receives the paths that now hold a
    // new file, also when a failure is thrown.
    void commitChannelFiles(std::vector<std::string>& changed);
    // Whether the file of channel 0 or 1 is held: not yet committed, or left by a failed write
    // until abandonFiles, which discards what they hold.
    bool holdsFile(int channel) const;
    void abandonFiles() noexcept;

    // Flips every channel written from now on as it is written, a band of rows at a time through
    // buffers taken here and used again for each channel, instead of into a whole copy of it
    // beforehand; exchanges the scan's width and height as flipping every channel would. The
    // buffers come to about twice flipBandBytes; when they cannot be had, std::bad_alloc.
    void flipWhenWritten(bool mainDiagonal);

    // About how much of a flipped channel is made at a time while it is written.
    static constexpr std::size_t defaultFlipBandBytes = std::size_t{8} << 20;
    std::size_t flipBandBytes = defaultFlipBandBytes;
    // How much of a channel that is not flipped is read from the input at a time to be written.
    static constexpr std::size_t copyPieceBytes = std::size_t{512} << 10;

private:
    // Write the samples at `pixels`, flipped as pending, or `count` bytes of the input from
    // `offset` on; false when the input failed under them, with the reason in inputError_.
    bool writeFlippedSamples(OutputFile& file, const void* pixels);
    bool copyFromInput(OutputFile& file, std::uint64_t offset, std::uint64_t count);

    ScanImage& scan_;
    ProgressObserver* progress_ = nullptr;
    std::unique_ptr<OutputFile> files_[2];  // see holdsFile
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

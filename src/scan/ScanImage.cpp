#include "scan/ScanImage.h"

#include "platform/FolderListing.h"
#include "scan/UserException.h"

#include <cstdint>
#include <utility>

namespace quillane {

ScanImage::~ScanImage() {
    try {
        close();
    } catch (...) {
        // A failure to release the input while the scan is being destroyed has no one to
        // report to; the mapping and the descriptor go with input_ all the same.
    }
}

void ScanImage::open(const std::string& inputPath) {
    path = inputPath;

    if (const std::uint32_t error = input_.openForReading(path)) {
        // The same plain words on every system, rather than "Access denied" or "Is a directory".
        if (pathKind(path) == PathKind::folder) throw UserException(path + " : This is a folder, not a scan file");
        throw UserException(path, error);
    }

    std::uint64_t length = 0;
    if (const std::uint32_t error = input_.queryLength(length)) {
        close();
        throw UserException(path, error);
    }
    // fileSize is a 32-bit quantity; a larger file could never be a scanner's and is refused
    // before anything is mapped.
    if (length > UINT32_MAX) {
        close();
        throw UserException(path + " : This file is too large to be a tiff file");
    }
    // An empty file is refused as too small, as a short one is, before the system refuses to map it.
    if (length == 0) {
        close();
        throw UserException(path + " : This file is too small to be a tiff file");
    }
    fileSize = static_cast<std::uint32_t>(length);

    if (const std::uint32_t error = input_.mapWhole(length)) {
        close();
        fileSize = 0;
        throw UserException(path, error);
    }
}

bool ScanImage::inputCutShort() const {
    std::uint64_t length = 0;
    return input_.isMapped() && input_.queryLength(length) == 0 && length < input_.mappedLength();
}

void ScanImage::readInput(std::uint64_t offset, void* buffer, std::size_t count) const {
    for (std::size_t got = 0; got < count;) {
        std::size_t more = 0;
        const std::uint32_t error = input_.readAt(offset + got, static_cast<std::uint8_t*>(buffer) + got, count - got, more);
        // A file that ends early was cut short meanwhile; one that cannot be read says why.
        if (error != 0 || more == 0) failInputRead(error);
        got += more;
    }
}

void ScanImage::refuseChangedInput() const {
    throw UserException(path + " : This file was changed by another program while it was being split");
}

void ScanImage::failInputRead(std::uint32_t error) const {
    if (error == 0 || inputCutShort()) refuseChangedInput();
    throw UserException(path, error);
}

void ScanImage::requireTwoChannels() const {
    // Otherwise the second file would be made of samples the scan does not hold.
    if (scannerRecord.channelCount < 2)
        throw UserException(path + " : This file holds fewer than two channels and cannot be split");
}

void ScanImage::exchangeAxes() {
    std::swap(width, height);
    axesExchanged = !axesExchanged;
}

void ScanImage::close() {
    if (const std::uint32_t error = input_.unmap()) throw UserException(path, error);
    if (const std::uint32_t error = input_.closeFile()) throw UserException(path, error);
    // Nothing read for this scan may reach the next one opened here.
    axesExchanged = false;
    ifdEntryCount = 0;
    ifdEntries = 0;
    stripOffsetsEntry.reset();
    stripByteCountsEntry.reset();
    // Samples that pointed into the mapping point nowhere now; arrays of their own stay.
    for (ChannelBuffer& channel : channels) {
        if (!channel.samples.owns) channel.samples = OwnedArray<std::uint16_t>();
    }
}

}  // namespace quillane

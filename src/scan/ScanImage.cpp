#include "scan/ScanImage.h"

#include "platform/OutputFile.h"
#include "scan/UserException.h"

#include <cstdint>
#include <utility>

namespace quillane {

ScanImage::ScanImage(ProgressObserver* progress) : progress_(progress) {}

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

    if (const std::uint32_t error = input_.openForReading(path)) throw UserException(path, error);

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

void ScanImage::refuseChangedInput() const {
    throw UserException(path + " : This file was changed by another program while it was being split");
}

void ScanImage::exchangeAxes() {
    std::swap(width, height);
    axesExchanged = !axesExchanged;
}

void ScanImage::close() {
    if (const std::uint32_t error = input_.unmap()) throw UserException(path, error);
    if (const std::uint32_t error = input_.closeFile()) throw UserException(path, error);
    for (auto& file : outputFiles) {
        if (file) {
            // Only a write that failed leaves its file here; what it wrote is discarded.
            file->abandon();
            file.reset();
        }
    }
}

}  // namespace quillane

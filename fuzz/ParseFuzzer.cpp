// Opens and parses arbitrary bytes as an input scan. Every refusal must be a UserException, and
// every accepted scan must describe pixel data that lies wholly inside the file.
#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "FuzzInput.h"

#include <cstdlib>

using namespace quillane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::writeInput(data, size);
    ScanImage scan;
    try {
        scan.open(path);
        scan.parse();
    } catch (const UserException&) {
        return 0;
    }

    const std::uint8_t* begin = scan.view();
    const std::uint8_t* end = begin + scan.fileSize;
    if (scan.width <= 0 || scan.height <= 0) std::abort();
    const std::uint64_t expected = std::uint64_t(std::uint32_t(scan.width)) * std::uint32_t(scan.height);
    for (const ChannelBuffer& channel : scan.channels) {
        if (channel.pixels() == nullptr) continue;
        const auto* samples = static_cast<const std::uint8_t*>(channel.pixels());
        if (channel.pixelCount() != expected) std::abort();
        if (samples < begin || samples > end || std::uint64_t(end - samples) < 2 * expected) std::abort();
        fuzz::touch(samples, 2 * expected);
    }
    if (scan.channels[0].pixels() == nullptr) std::abort();
    return 0;
}

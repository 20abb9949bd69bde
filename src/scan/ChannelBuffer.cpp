#include "scan/ChannelBuffer.h"

#include "platform/MemoryAdvice.h"

#include <cstddef>

namespace quillane {

ChannelBuffer::~ChannelBuffer() {
    // Members go in reverse order of declaration: `values` first, then `samples`.
}

void* ChannelBuffer::allocate(int kind, std::uint32_t n) {
    switch (kind) {
    case 2:
        samples.data = new std::uint16_t[n];
        samples.count = n;
        samples.owns = true;
        adviseLargeFreshArray(samples.data, sizeof(std::uint16_t) * std::size_t{n});
        return samples.data;
    case 4:
        values.data = new std::uint32_t[n];
        values.count = n;
        values.owns = true;
        adviseLargeFreshArray(values.data, sizeof(std::uint32_t) * std::size_t{n});
        return values.data;
    default:
        return nullptr;
    }
}

void* ChannelBuffer::pixels() const {
    if (samples.data != nullptr) return samples.data;
    return values.data;
}

std::uint32_t ChannelBuffer::pixelCount() const {
    return samples.count != 0 ? samples.count : values.count;
}

}  // namespace quillane

#include "scan/ChannelBuffer.h"

#include "platform/MemoryAdvice.h"

#include <cstddef>

namespace quillane {
namespace {

// Gives `array` n new elements of its own.
template <class T>
T* allocateInto(OwnedArray<T>& array, std::uint32_t n) {
    array = OwnedArray<T>();  // releases whatever it held
    array.data = new T[n];
    array.count = n;
    array.owns = true;
    adviseLargeFreshArray(array.data, sizeof(T) * std::size_t{n});
    return array.data;
}

}  // namespace

ChannelBuffer::~ChannelBuffer() {
    // Members go in reverse order of declaration: `values` first, then `samples`.
}

void* ChannelBuffer::allocate(int kind, std::uint32_t n) {
    switch (kind) {
    case 2:
        return allocateInto(samples, n);
    case 4:
        return allocateInto(values, n);
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

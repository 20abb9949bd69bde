#pragma once

#include "scan/OwnedArray.h"

#include <cstdint>

namespace quillane {

// The pixels of one channel, row after row. `samples` holds them; `values` is a 32-bit
// alternative that the program never fills.
//
// The samples may point into the mapped input at whatever offset the file gives, which can be
// odd: read them as bytes or through unaligned-safe loads, never through a plain dereference.
struct ChannelBuffer {
    OwnedArray<std::uint16_t> samples;
    OwnedArray<std::uint32_t> values;

    ChannelBuffer() = default;
    ChannelBuffer(const ChannelBuffer&) = delete;
    ChannelBuffer& operator=(const ChannelBuffer&) = delete;
    virtual ~ChannelBuffer();

    // Kind 2 gives `samples` n new 16-bit elements, kind 4 gives `values` n new 32-bit
    // elements; any other kind changes nothing and gives none. Throws std::bad_alloc.
    void* allocate(int kind, std::uint32_t n);
    void* pixels() const;
    std::uint32_t pixelCount() const;
};

}  // namespace quillane

#pragma once

#include <cstdint>

namespace quillane {

// One heap array, or a view of elements it does not own (samples inside the mapped input).
// The array is released with the holder only when `owns` is set.
template <class T>
struct OwnedArray {
    bool owns = false;
    T* data = nullptr;
    std::uint32_t count = 0;

    OwnedArray() = default;
    OwnedArray(const OwnedArray&) = delete;
    OwnedArray& operator=(const OwnedArray&) = delete;
    virtual ~OwnedArray() {
        if (owns) delete[] data;
    }
};

}  // namespace quillane

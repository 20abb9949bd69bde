#pragma once

#include <cstdint>
#include <utility>

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
    // Moving hands the array over: the source is left empty, owning nothing.
    OwnedArray(OwnedArray&& other) noexcept
        : owns(std::exchange(other.owns, false)), data(std::exchange(other.data, nullptr)),
          count(std::exchange(other.count, 0)) {}
    // Releases the array held before, when it was owned.
    OwnedArray& operator=(OwnedArray&& other) noexcept {
        if (this != &other) {
            if (owns) delete[] data;
            owns = std::exchange(other.owns, false);
            data = std::exchange(other.data, nullptr);
            count = std::exchange(other.count, 0);
        }
        return *this;
    }
    virtual ~OwnedArray() {
        if (owns) delete[] data;
    }
};

}  // namespace quillane

#include "scan/ChannelBuffer.h"

#include <cstddef>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace quillane {

namespace {

#if defined(__linux__) && !defined(MADV_POPULATE_WRITE)
constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14 and later; older kernels refuse it
#endif

// A flipped channel runs to hundreds of megabytes, and touching it for the first time in small
// pages costs more than the flip itself. Where the system gives huge pages on request, ask for
// them over the whole pages inside the array, and have them made in one go, front to back:
// made one by one as a flip's scattered writes first reach them, huge pages came out slower
// than small ones on a 600 MB channel. The array stays an ordinary new[] array released by
// delete[]; the advice changes no byte and is only a hint, so its result is not checked.
void adviseHugePages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t hugePage = std::size_t{2} << 20;
    if (bytes < 2 * hugePage) return;  // too small to hold a whole aligned huge page for sure
    // Only the whole pages inside the array.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    auto* array = static_cast<std::uint8_t*>(data);
    const auto start = reinterpret_cast<std::uintptr_t>(array);
    std::uint8_t* first = array + (page - start % page) % page;
    std::uint8_t* end = array + bytes - (start + bytes) % page;
    const auto span = static_cast<std::size_t>(end - first);
    if (::madvise(first, span, MADV_HUGEPAGE) != 0) return;
    ::madvise(first, span, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace

ChannelBuffer::~ChannelBuffer() {
    // Members go in reverse order of declaration: `values` first, then `samples`.
}

void* ChannelBuffer::allocate(int kind, std::uint32_t n) {
    switch (kind) {
    case 2:
        samples.data = new std::uint16_t[n];
        samples.count = n;
        samples.owns = true;
        adviseHugePages(samples.data, sizeof(std::uint16_t) * std::size_t{n});
        return samples.data;
    case 4:
        values.data = new std::uint32_t[n];
        values.count = n;
        values.owns = true;
        adviseHugePages(values.data, sizeof(std::uint32_t) * std::size_t{n});
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

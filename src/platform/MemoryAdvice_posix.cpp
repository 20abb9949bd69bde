#include "platform/MemoryAdvice.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace quillane {

#if defined(__linux__) && !defined(MADV_POPULATE_WRITE)
constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14 and later; older kernels refuse it
#endif

// A flipped channel runs to hundreds of megabytes, and touching it for the first time in small
// pages costs more than the flip itself. Where the system gives huge pages on request, ask for
// them over the whole pages inside the array, and have them made in one go, front to back:
// made one by one as a flip's scattered writes first reach them, huge pages came out slower
// than small ones on a 600 MB channel.
void adviseLargeFreshArray(void* data, std::size_t bytes) {
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

}  // namespace quillane

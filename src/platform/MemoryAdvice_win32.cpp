#include "platform/MemoryAdvice.h"

namespace quillane {

// Large pages on Windows need a privilege an ordinary user lacks and memory of their own
// allocation; an array from new[] cannot be moved onto them afterwards.
void adviseLargeFreshArray(void*, std::size_t) {}

}  // namespace quillane

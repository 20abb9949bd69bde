#pragma once

#include <cstddef>

namespace quillane {

// Tells the system that a new array of `bytes` at `data` is about to be filled front to back,
// so that it may back it with huge pages made in one go. Only a hint: no byte changes, nothing
// is reported, and systems without such pages ignore it.
void adviseLargeFreshArray(void* data, std::size_t bytes);

}  // namespace quillane

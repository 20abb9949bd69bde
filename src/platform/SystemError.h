#pragma once

#include <cstdint>
#include <string>

namespace quillane {

// The operating system's own text for an error number, in the user's language, exactly as the
// system gives it; empty when the system has no text for that number.
std::string systemErrorText(std::uint32_t code);
// Whether the error number says that a path is longer than the system takes.
bool isNameTooLong(std::uint32_t code);

}  // namespace quillane

#pragma once

#include <cstdint>
#include <string>

namespace quillane {

// The product version's four numbers.
struct FixedVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
};

// The version and legal notice this build of the program carries, the same for the console
// program and both windows.
FixedVersion programVersion();
std::string programCopyright();
// The four numbers with dots between them: "1.6.3.1".
std::string programVersionText();

// A letter for the major number (1 is A, 2 is B, 0 is @) and the other three as decimals:
// 1.6.3.1 reads A.6.3.1.
std::string ProductVersionText(const FixedVersion& version);

}  // namespace quillane

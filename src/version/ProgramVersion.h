#pragma once

#include "version/ProgramInfo.h"

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

// The version ("1.6.3.1") and legal notice of this build, the same for the console program and
// both windows.
inline constexpr FixedVersion programVersion{QUILLANE_VERSION_MAJOR, QUILLANE_VERSION_MINOR, QUILLANE_VERSION_PATCH,
                                             QUILLANE_VERSION_TWEAK};
inline constexpr const char* programVersionText = QUILLANE_VERSION_TEXT;
inline constexpr const char* programCopyright = QUILLANE_LEGAL_COPYRIGHT;

// A letter for the major number (1 is A, 2 is B, 0 is @) and the other three as decimals:
// 1.6.3.1 reads A.6.3.1.
inline std::string ProductVersionText(const FixedVersion& version) {
    std::string text(1, static_cast<char>(version.major + 64));
    for (const std::uint16_t part : {version.minor, version.build, version.revision}) text += '.' + std::to_string(part);
    return text;
}

}  // namespace quillane

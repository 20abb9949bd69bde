#include "version/ProgramVersion.h"

#include "version/ProgramInfo.h"

namespace quillane {

FixedVersion programVersion() {
    return {QUILLANE_VERSION_MAJOR, QUILLANE_VERSION_MINOR, QUILLANE_VERSION_PATCH, QUILLANE_VERSION_TWEAK};
}

std::string programCopyright() { return QUILLANE_LEGAL_COPYRIGHT; }

std::string programVersionText() { return QUILLANE_VERSION_TEXT; }

std::string ProductVersionText(const FixedVersion& version) {
    std::string text(1, static_cast<char>(version.major + 64));
    for (const std::uint16_t part : {version.minor, version.build, version.revision}) {
        text += '.';
        text += std::to_string(part);
    }
    return text;
}

}  // namespace quillane

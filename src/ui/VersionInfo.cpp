#include "ui/VersionInfo.h"

#include "ui/ProgramVersion.h"

namespace quillane {

VersionResource programVersionResource() {
    return {FixedVersion{QUILLANE_VERSION_MAJOR, QUILLANE_VERSION_MINOR, QUILLANE_VERSION_PATCH, QUILLANE_VERSION_TWEAK},
            std::string(QUILLANE_LEGAL_COPYRIGHT)};
}

std::string ProductVersionText(const FixedVersion& version) {
    std::string text(1, static_cast<char>(version.major + 64));
    for (const std::uint16_t part : {version.minor, version.build, version.revision}) {
        text += '.';
        text += std::to_string(part);
    }
    return text;
}

std::string versionCaption(const std::string& caption, const VersionResource& resource) {
    if (!resource.productVersion) return caption;
    return caption + " (" + ProductVersionText(*resource.productVersion) + ")";
}

}  // namespace quillane

#include "app/VersionInfo.h"

namespace quillane {

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

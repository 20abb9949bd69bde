#include "app/VersionInfo.h"

namespace quillane {

std::string versionCaption(const std::string& caption, const VersionResource& resource) {
    if (!resource.productVersion) return caption;
    return caption + " (" + ProductVersionText(*resource.productVersion) + ")";
}

}  // namespace quillane

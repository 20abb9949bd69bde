#include "app/AboutBox.h"

namespace quillane {

void AboutBox::takeVersion(const VersionResource& resource) {
    if (resource.productVersion) versionText = "Quillane Version: " + ProductVersionText(*resource.productVersion);
    if (resource.legalCopyright) legalText = *resource.legalCopyright + " Velmora Technologies";
}

}  // namespace quillane

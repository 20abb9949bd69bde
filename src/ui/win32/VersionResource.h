#pragma once

#include "app/VersionInfo.h"

namespace quillane {

// The running executable's VERSIONINFO: the fixed product version and, through the first
// entry of its translation table, the LegalCopyright string.
class NativeVersionSource final : public VersionSource {
public:
    VersionResource load() override;
};

}  // namespace quillane

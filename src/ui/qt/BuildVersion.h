#pragma once

#include "app/VersionInfo.h"

namespace quillane {

// The version the build gives the program: the project's version and its legal notice.
class BuildVersionSource final : public VersionSource {
public:
    VersionResource load() override;
};

}  // namespace quillane

#pragma once

#include "version/ProgramVersion.h"

#include <optional>
#include <string>

namespace quillane {

// What the program's version resource says about it: its product version and its legal
// notice. Either may be missing; whatever shows them then shows nothing in their place.
struct VersionResource {
    std::optional<FixedVersion> productVersion;
    std::optional<std::string> legalCopyright;
};

// Where the running program's version resource comes from: the executable's VERSIONINFO on
// Windows, the build's numbers elsewhere. Each use loads it afresh.
class VersionSource {
public:
    virtual ~VersionSource() = default;
    virtual VersionResource load() = 0;
};

// "<caption> (<version text>)", or the caption unchanged without a product version.
std::string versionCaption(const std::string& caption, const VersionResource& resource);

}  // namespace quillane

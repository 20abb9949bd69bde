#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillane {

// The product version's four numbers.
struct FixedVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
};

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

// A letter for the major number (1 is A, 2 is B, 0 is @) and the other three as decimals:
// 1.6.3.1 reads A.6.3.1.
std::string ProductVersionText(const FixedVersion& version);

// "<caption> (<version text>)", or the caption unchanged without a product version.
std::string versionCaption(const std::string& caption, const VersionResource& resource);

}  // namespace quillane

#include "qt/BuildVersion.h"

#include "app/ProgramInfo.h"

namespace quillane {

VersionResource BuildVersionSource::load() {
    return {FixedVersion{QUILLANE_VERSION_MAJOR, QUILLANE_VERSION_MINOR, QUILLANE_VERSION_PATCH, QUILLANE_VERSION_TWEAK},
            std::string(QUILLANE_LEGAL_COPYRIGHT)};
}

}  // namespace quillane

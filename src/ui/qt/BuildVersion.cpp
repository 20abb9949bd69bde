#include "qt/BuildVersion.h"


namespace quillane {

VersionResource BuildVersionSource::load() {
    return {programVersion, std::string(programCopyright)};
}

}  // namespace quillane

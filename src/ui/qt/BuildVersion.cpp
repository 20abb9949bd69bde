#include "qt/BuildVersion.h"


namespace quillane {

VersionResource BuildVersionSource::load() {
    return {programVersion(), programCopyright()};
}

}  // namespace quillane

#include "split/SplitHost.h"

#include "platform/Process.h"

namespace quillane {
namespace {

// The process itself: its real current directory and a real sleep.
class SystemSplitPlatform final : public SplitPlatform {
public:
    std::string currentDirectory() override { return quillane::currentDirectory(); }
    bool changeDirectory(const std::string& path) override { return quillane::changeDirectory(path); }
    void pause(int milliseconds) override { sleepMilliseconds(milliseconds); }
};

}  // namespace

SplitPlatform& systemSplitPlatform() {
    static SystemSplitPlatform platform;
    return platform;
}

}  // namespace quillane

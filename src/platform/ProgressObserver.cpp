#include "platform/ProgressObserver.h"

#include "platform/FileSystemCalls.h"

#include <utility>

namespace quillane {

ProgressObserver::ProgressObserver(std::function<void()> report, std::chrono::milliseconds interval)
    : report_(std::move(report)),
      interval_(interval),
      lastReport_(fileSystemTime()),
      owner_(std::this_thread::get_id()) {}

bool ProgressObserver::due() const { return fileSystemTime() - lastReport_.load() >= interval_; }

void ProgressObserver::stillWorking() {
    if (std::this_thread::get_id() != owner_) return;
    const auto now = fileSystemTime();
    if (now - lastReport_.load() < interval_) return;
    lastReport_ = now;
    report_();
    // The work has its interval whatever the report took.
    lastReport_ = fileSystemTime();
}

}  // namespace quillane

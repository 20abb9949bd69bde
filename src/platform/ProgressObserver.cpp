#include "platform/ProgressObserver.h"

#include <utility>

namespace quillane {

ProgressObserver::ProgressObserver(std::function<void()> report, std::chrono::milliseconds interval)
    : report_(std::move(report)),
      interval_(interval),
      lastReport_(std::chrono::steady_clock::now()),
      owner_(std::this_thread::get_id()) {}

void ProgressObserver::stillWorking() {
    if (std::this_thread::get_id() != owner_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastReport_ < interval_) return;
    lastReport_ = now;
    report_();
    // The work has its interval whatever the report took.
    lastReport_ = std::chrono::steady_clock::now();
}

}  // namespace quillane

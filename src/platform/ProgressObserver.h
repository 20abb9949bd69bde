#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace quillane {

// Long work (a channel written to a slow share can take minutes) tells whoever started it, now
// and then, that it is still under way: a window is serviced there, and a stop asked for meanwhile
// ends the work. The work calls stillWorking() as often as it likes; the report runs at most once
// an interval, and only on the thread that made the observer, so that work handed to another
// thread reports through the thread that waits for it. The report may throw to stop the work,
// which then lets go of what it made, as after any failure.
class ProgressObserver {
public:
    static constexpr std::chrono::milliseconds defaultInterval{100};

    explicit ProgressObserver(std::function<void()> report, std::chrono::milliseconds interval = defaultInterval);

    void stillWorking();
    // Whether a report is due by now; any thread may ask, so that work on another thread can wait
    // for the one that reports.
    bool due() const;
    // Whether this thread is the one that reports.
    bool reportsHere() const { return std::this_thread::get_id() == owner_; }
    // How long work waiting for another thread may wait before it calls stillWorking again.
    std::chrono::milliseconds interval() const { return interval_; }

private:
    std::function<void()> report_;
    std::chrono::milliseconds interval_;
    std::atomic<std::chrono::steady_clock::time_point> lastReport_;
    std::thread::id owner_;
};

// For work whose caller may not observe it.
inline void stillWorking(ProgressObserver* observer) {
    if (observer) observer->stillWorking();
}

}  // namespace quillane

#pragma once

#include "app/PreviewWindow.h"

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quillane {

// The preview window's worker thread: it makes one page at a time, the latest job handed to it
// (a job still waiting when a newer one comes is dropped), and posts `readyMessage` to its
// window when a page is ready to be taken.
class PreviewWorker {
public:
    static constexpr UINT readyMessage = WM_APP + 1;

    PreviewWorker() = default;
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;
    // Waits for the page under way, whose job the window has told to stop.
    ~PreviewWorker();

    void run(PreviewWindow::Job job, HWND window);
    std::vector<PreviewPage> takePages();

private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<PreviewWindow::Job> waiting_;
    std::vector<PreviewPage> ready_;
    HWND window_ = nullptr;
    bool quitting_ = false;
    std::thread thread_;  // last, so that it starts with everything above in place
};

}  // namespace quillane

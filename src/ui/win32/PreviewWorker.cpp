#include "win32/PreviewWorker.h"

#include <system_error>
#include <utility>

namespace quillane {

PreviewWorker::~PreviewWorker() {
    {
        const std::lock_guard lock(mutex_);
        quitting_ = true;
        waiting_.reset();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void PreviewWorker::run(PreviewWindow::Job job, HWND window) {
    {
        const std::lock_guard lock(mutex_);
        waiting_ = std::move(job);
        window_ = window;
    }
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { work(); });
        } catch (const std::system_error&) {
            // No thread to be had: the page is made here, the window waiting meanwhile.
            PreviewPage page = std::exchange(waiting_, std::nullopt)->run();
            const std::lock_guard lock(mutex_);
            ready_.push_back(std::move(page));
            PostMessageA(window, readyMessage, 0, 0);
            return;
        }
    }
    wake_.notify_all();
}

std::vector<PreviewPage> PreviewWorker::takePages() {
    const std::lock_guard lock(mutex_);
    return std::exchange(ready_, {});
}

void PreviewWorker::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return quitting_ || waiting_; });
        if (quitting_) return;
        const PreviewWindow::Job job = std::move(*waiting_);
        waiting_.reset();
        lock.unlock();
        PreviewPage page = job.run();
        lock.lock();
        ready_.push_back(std::move(page));
        // The window takes the page when it handles the message; gone meanwhile, it takes none.
        PostMessageA(window_, readyMessage, 0, 0);
    }
}

}  // namespace quillane

#include "preview/TileWorker.h"

#include "scan/UserException.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

namespace quillane {

TileWorker::TileWorker(std::shared_ptr<const TileMaker> maker, Delivered delivered, Failed failed)
    : maker_(std::move(maker)), delivered_(std::move(delivered)), failed_(std::move(failed)) {
    thread_ = std::thread([this] { work(); });
}

TileWorker::~TileWorker() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        queue_.clear();
        stopCurrent_ = true;
    }
    wanted_.notify_all();
    thread_.join();
}

void TileWorker::want(const std::vector<TileKey>& keys) {
    {
        const std::lock_guard lock(mutex_);
        queue_.assign(keys.begin(), keys.end());
        if (busy_) {
            const auto stillWanted = std::find(queue_.begin(), queue_.end(), current_);
            if (stillWanted == queue_.end()) stopCurrent_ = true;
            else queue_.erase(stillWanted);  // it comes anyway
        }
    }
    wanted_.notify_all();
}

void TileWorker::work() {
    for (;;) {
        TileKey key;
        {
            std::unique_lock lock(mutex_);
            wanted_.wait(lock, [this] { return quit_ || !queue_.empty(); });
            if (quit_) return;
            key = queue_.front();
            queue_.pop_front();
            current_ = key;
            busy_ = true;
            stopCurrent_ = false;
        }
        std::string failure;
        try {
            delivered_(std::make_shared<const ViewTile>(maker_->make(key, &stopCurrent_)));
        } catch (const PreviewStopped&) {
            // No longer wanted.
        } catch (const UserException& error) {
            failure = error.what();
        } catch (const std::bad_alloc&) {
            failure = "There is not enough memory to show this part of the scan";
        } catch (const std::exception& error) {
            failure = error.what();
        }
        {
            const std::lock_guard lock(mutex_);
            busy_ = false;
            if (!failure.empty()) queue_.clear();
        }
        if (!failure.empty()) failed_(failure);
    }
}

}  // namespace quillane

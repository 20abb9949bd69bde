#pragma once

#include "preview/TileMaker.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillane {

// Makes the tiles a view wants on a thread of its own, so that the window's thread only draws.
// Each call to want() replaces what is wanted: a tile under way that is no longer wanted is
// stopped. Every made tile goes to `delivered`, a failure's text to `failed` (after which the
// rest of the wanted tiles are dropped), both called on the worker's thread: a front end posts
// them on to its window's.
class TileWorker {
public:
    using Delivered = std::function<void(std::shared_ptr<const ViewTile>)>;
    using Failed = std::function<void(const std::string&)>;

    TileWorker(std::shared_ptr<const TileMaker> maker, Delivered delivered, Failed failed);
    // Stops the tile under way and waits for the thread.
    ~TileWorker();
    TileWorker(const TileWorker&) = delete;
    TileWorker& operator=(const TileWorker&) = delete;

    void want(const std::vector<TileKey>& keys);

private:
    void work();

    std::shared_ptr<const TileMaker> maker_;
    Delivered delivered_;
    Failed failed_;
    std::mutex mutex_;
    std::condition_variable wanted_;
    std::deque<TileKey> queue_;
    bool quit_ = false;
    bool busy_ = false;
    TileKey current_;  // while busy_
    std::atomic<bool> stopCurrent_{false};
    std::thread thread_;
};

}  // namespace quillane

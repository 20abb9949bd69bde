#include "preview/TileCache.h"

#include <utility>

namespace quillane {

std::shared_ptr<const ViewTile> TileCache::find(const TileKey& key) {
    const auto found = tiles_.find(key);
    if (found == tiles_.end()) return nullptr;
    found->second.lastUse = ++uses_;
    return found->second.tile;
}

void TileCache::insert(std::shared_ptr<const ViewTile> tile) {
    if (!tile) return;
    const TileKey key = tile->key;
    if (const auto standing = tiles_.find(key); standing != tiles_.end()) {
        bytes_ -= standing->second.tile->bytes();
        tiles_.erase(standing);
    }
    bytes_ += tile->bytes();
    tiles_[key] = {std::move(tile), ++uses_};
    // The newest tile stays even when it alone is larger than the cache.
    while (bytes_ > capacity_ && tiles_.size() > 1) {
        auto oldest = tiles_.begin();
        for (auto entry = tiles_.begin(); entry != tiles_.end(); ++entry)
            if (entry->second.lastUse < oldest->second.lastUse) oldest = entry;
        bytes_ -= oldest->second.tile->bytes();
        tiles_.erase(oldest);
    }
}

void TileCache::clear() {
    tiles_.clear();
    bytes_ = 0;
}

}  // namespace quillane

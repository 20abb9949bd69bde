#pragma once

#include "preview/ViewTile.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

namespace quillane {

// The tiles made lately, up to about `capacityBytes`: the least lately used go first. Tiles are
// shared, so that a picture being made keeps those it uses whatever the cache drops meanwhile.
// Used from one thread.
class TileCache {
public:
    explicit TileCache(std::size_t capacityBytes = std::size_t{96} << 20) : capacity_(capacityBytes) {}

    // The tile, counted as used now; none when it is not here.
    std::shared_ptr<const ViewTile> find(const TileKey& key);
    bool contains(const TileKey& key) const { return tiles_.contains(key); }
    void insert(std::shared_ptr<const ViewTile> tile);
    void clear();
    std::size_t size() const { return tiles_.size(); }

private:
    struct Entry {
        std::shared_ptr<const ViewTile> tile;
        std::uint64_t lastUse = 0;
    };
    std::size_t capacity_;
    std::size_t bytes_ = 0;
    std::uint64_t uses_ = 0;
    std::map<TileKey, Entry> tiles_;
};

}  // namespace quillane

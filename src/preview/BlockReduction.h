#pragma once

#include "output/Flip.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace quillane {

// An image cut into square blocks of `side` × `side` samples, one preview pixel each, counted
// from the image's top-left corner: `columns` × `rows` blocks, those along the right and bottom
// edges cut short where the image ends.
struct BlockGrid {
    std::uint32_t side = 1;
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
};

// The smallest block side whose blocks of a width × height image fit a box of
// boxWidth × boxHeight pixels (each at least 1).
BlockGrid planBlocks(std::uint32_t width, std::uint32_t height, std::uint32_t boxWidth, std::uint32_t boxHeight);

// One channel summarised block by block, blocks row after row, and as a whole.
struct ChannelReduction {
    std::vector<std::uint16_t> means;      // each block's mean, rounded half up
    std::vector<std::uint16_t> maxima;     // each block's largest sample: one saturated sample shows
    std::vector<std::uint32_t> saturated;  // each block's samples at 65535
    // How many samples of every `valueRowStep`-th row of the scan, from its first, hold each of
    // the 65536 values (a channel of a file of at most 4 GiB has fewer than 2^31 samples).
    std::vector<std::uint32_t> valueCounts;
    std::uint32_t valueRowStep = 1;
    std::uint64_t sum = 0;
    std::uint16_t minimum = 0xFFFF;
};

// Gives the `count` bytes of a channel's samples from `offset` (counted from its first sample)
// on, `count` never more than ChannelReducer::largestRead; the bytes stay valid until the next
// call. It throws when they cannot be had.
using SampleSource = std::function<const std::uint8_t*(std::uint64_t offset, std::size_t count)>;

// Reduces a width × height channel, as the split writes it: unchanged, or flipped along a
// diagonal, with the grid laid over the written image. The flipped image is never made: each
// stretch of a source row whose samples all land in one block of the written image is summed
// straight into that block.
//
// The samples are read once, in the order they are stored (a scan wider than stripColumns a strip
// of columns at a time), into per-column sums for the rows of one band of blocks; a band's
// blocks are finished as its last row is read. All memory is taken at construction.
class ChannelReducer {
public:
    // Without `countValues` the result's valueCounts stay empty (valueRowStep 0): a part of a
    // scan shown zoomed needs only its blocks, and counting would double the time they take.
    ChannelReducer(std::uint32_t width, std::uint32_t height, std::optional<Diagonal> flip, BlockGrid grid,
                   bool countValues = true);

    // Reads the width × height little-endian samples (at any byte address) from `source`.
    // Returns false, leaving the result unfinished, when `stop` is set before the last row.
    bool run(const SampleSource& source, const std::atomic<bool>* stop);
    const ChannelReduction& result() const& { return result_; }
    ChannelReduction result() && { return std::move(result_); }

    // The most bytes asked of the source at a time: a piece that stays in the processor's cache.
    static constexpr std::size_t largestRead = std::size_t{512} << 10;
    // Columns of a row summed at a time, so that a very wide scan needs no more memory.
    static constexpr std::uint32_t stripColumns = 1u << 18;
    // A scan of this many rows or more has its values counted in every `sampledRowStep`-th row
    // only: counting every sample took twice as long as reading the scan.
    static constexpr std::uint32_t sampledFromRows = 4096;
    static constexpr std::uint32_t sampledRowStep = 8;

private:
    // Rows of the source come in bands and each row's samples in runs, each band and run
    // landing in one row or column of blocks of the written image.
    std::uint32_t bandEnd(std::uint32_t band) const;
    std::uint32_t runEnd(std::uint32_t run) const;
    std::uint32_t runOf(std::uint32_t column) const;
    std::size_t blockOf(std::uint32_t firstRow, std::uint32_t firstColumn) const;
    bool readStrip(const SampleSource& source, std::uint32_t firstRow, std::uint32_t endRow, std::uint32_t firstColumn,
                   std::uint32_t count, const std::atomic<bool>* stop);
    void addSamples(const std::uint8_t* samples, std::size_t rowBytes, std::uint32_t rows, std::uint32_t firstColumn,
                    std::uint32_t count);
    void countRowValues(const std::uint8_t* samples, std::size_t rowBytes, std::uint32_t firstRow, std::uint32_t rows,
                        std::uint32_t count);
    void foldStrip(std::uint32_t firstColumn, std::uint32_t count);
    void finishBand(std::uint32_t firstRow, std::uint32_t rows);

    std::uint32_t width_;
    std::uint32_t height_;
    std::optional<Diagonal> flip_;
    BlockGrid grid_;
    std::uint32_t firstBand_;  // rows in the first band; every later one has grid_.side but the last
    std::uint32_t firstRun_;   // likewise columns in the first run
    std::uint32_t runCount_;
    std::vector<std::uint32_t> columnSums_;
    std::vector<std::uint16_t> columnMaxima_;
    std::vector<std::uint16_t> columnSaturated_;
    std::vector<std::uint64_t> runSums_;
    std::vector<std::uint16_t> runMaxima_;
    std::vector<std::uint32_t> runSaturated_;
    std::vector<std::uint32_t> oddCounts_;  // the odd samples' values, added to the result's at the end
    ChannelReduction result_;
};

}  // namespace quillane

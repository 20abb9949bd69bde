#include "preview/BlockReduction.h"

#include "scan/LittleEndian.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace quillane {
namespace {

std::uint32_t ceilingOf(std::uint32_t value, std::uint32_t divisor) {
    return static_cast<std::uint32_t>((std::uint64_t{value} + divisor - 1) / divisor);
}

// A sample at any byte address: the compiler turns the plain copy into one load, which it can
// also do many at a time.
std::uint16_t sampleAt(const std::uint8_t* samples, std::uint32_t i) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint16_t value = 0;
        std::memcpy(&value, samples + 2 * std::size_t{i}, 2);
        return value;
    } else {
        return le::load16(samples + 2 * std::size_t{i});
    }
}

}  // namespace

BlockGrid planBlocks(std::uint32_t width, std::uint32_t height, std::uint32_t boxWidth, std::uint32_t boxHeight) {
    boxWidth = std::max<std::uint32_t>(boxWidth, 1);
    boxHeight = std::max<std::uint32_t>(boxHeight, 1);
    const std::uint32_t side = std::max({ceilingOf(width, boxWidth), ceilingOf(height, boxHeight), std::uint32_t{1}});
    return {side, ceilingOf(width, side), ceilingOf(height, side)};
}

ChannelReducer::ChannelReducer(std::uint32_t width, std::uint32_t height, std::optional<Diagonal> flip, BlockGrid grid,
                               bool countValues)
    : width_(width), height_(height), flip_(flip), grid_(grid) {
    // The written image's blocks start at its top-left corner; where a flip runs the source's
    // rows or columns backwards there (the opposite diagonal), they start at the source's end.
    const bool backwards = flip == Diagonal::opposite;
    const std::uint32_t side = grid.side;
    firstBand_ = backwards && height > 0 ? (height - 1) % side + 1 : side;
    firstRun_ = backwards && width > 0 ? (width - 1) % side + 1 : side;
    runCount_ = width == 0 ? 0 : runOf(width - 1) + 1;
    const std::uint32_t strip = std::min(width, stripColumns);
    columnSums_.assign(strip, 0);
    columnMaxima_.assign(strip, 0);
    columnSaturated_.assign(strip, 0);
    runSums_.assign(runCount_, 0);
    runMaxima_.assign(runCount_, 0);
    runSaturated_.assign(runCount_, 0);
    result_.means.assign(std::size_t{grid.columns} * grid.rows, 0);
    result_.maxima.assign(result_.means.size(), 0);
    result_.saturated.assign(result_.means.size(), 0);
    if (!countValues) {
        result_.valueRowStep = 0;
        return;
    }
    result_.valueCounts.assign(65536, 0);
    result_.valueRowStep = height < sampledFromRows ? 1 : sampledRowStep;
    oddCounts_.assign(65536, 0);
}

std::uint32_t ChannelReducer::bandEnd(std::uint32_t band) const {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(firstBand_ + std::uint64_t{band} * grid_.side, height_));
}

std::uint32_t ChannelReducer::runEnd(std::uint32_t run) const {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(firstRun_ + std::uint64_t{run} * grid_.side, width_));
}

std::uint32_t ChannelReducer::runOf(std::uint32_t column) const {
    return column < firstRun_ ? 0 : 1 + (column - firstRun_) / grid_.side;
}

// The block of the written image that the source sample (row, column) lands in.
std::size_t ChannelReducer::blockOf(std::uint32_t row, std::uint32_t column) const {
    const FlippedPosition at = flip_ ? flippedPosition(*flip_, row, column, width_, height_) : FlippedPosition{row, column};
    return std::size_t{at.row / grid_.side} * grid_.columns + at.column / grid_.side;
}

bool ChannelReducer::run(const SampleSource& source, const std::atomic<bool>* stop) {
    for (std::uint32_t band = 0, row = 0; row < height_; ++band) {
        const std::uint32_t end = bandEnd(band);
        for (std::uint32_t first = 0; first < width_; first += stripColumns) {
            const std::uint32_t count = std::min(stripColumns, width_ - first);
            if (!readStrip(source, row, end, first, count, stop)) return false;
            foldStrip(first, count);
        }
        finishBand(row, end - row);
        row = end;
    }
    for (std::size_t value = 0; value < oddCounts_.size(); ++value) result_.valueCounts[value] += oddCounts_[value];
    return true;
}

// Rows [firstRow, endRow) of the strip of `count` columns from `firstColumn` on: whole rows
// several at a time where the strip is the whole width, else each row's part in pieces.
bool ChannelReducer::readStrip(const SampleSource& source, std::uint32_t firstRow, std::uint32_t endRow,
                               std::uint32_t firstColumn, std::uint32_t count, const std::atomic<bool>* stop) {
    const std::size_t rowBytes = 2 * std::size_t{width_};
    const bool wholeRows = count == width_ && rowBytes <= largestRead;
    const std::uint32_t rowsAtOnce = wholeRows ? static_cast<std::uint32_t>(std::min<std::size_t>(largestRead / rowBytes, 1u << 15)) : 1;
    const auto piece = static_cast<std::uint32_t>(largestRead / 2);
    std::uint32_t held = 0;
    for (std::uint32_t row = firstRow; row < endRow;) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
        const std::uint32_t rows = std::min(rowsAtOnce, endRow - row);
        const std::uint64_t offset = 2 * (std::uint64_t{row} * width_ + firstColumn);
        if (wholeRows) {
            const std::uint8_t* bytes = source(offset, rows * rowBytes);
            addSamples(bytes, rowBytes, rows, 0, count);
            countRowValues(bytes, rowBytes, row, rows, count);
        } else {
            for (std::uint32_t done = 0; done < count; done += piece) {
                const std::uint32_t part = std::min(piece, count - done);
                const std::uint8_t* bytes = source(offset + 2 * std::uint64_t{done}, 2 * std::size_t{part});
                addSamples(bytes, 0, 1, done, part);
                countRowValues(bytes, 0, row, 1, part);
            }
        }
        row += rows;
        // Per-column sums of 16-bit samples stay within 32 bits, and counts of saturated ones
        // within 16 (as wide as the samples, which keeps the loop fast), for 65535 rows.
        held += rows;
        if (held > 0xFFFFu - rowsAtOnce) {
            foldStrip(firstColumn, count);
            held = 0;
        }
    }
    return true;
}

namespace {

// The loop the whole time goes into: plain enough for the compiler to make it many samples a
// step, with whatever vector instructions the function it is compiled into may use. Rows come
// `Rows` at a time, so that each column's sum and maximum are loaded and stored once for all of
// them. It only tells how many samples are saturated: counting them column by column here made
// the loop several times slower, and most pieces hold none.
template <int Rows>
[[gnu::always_inline]] inline std::uint16_t addToColumns(const std::uint8_t* samples, std::size_t rowBytes,
                                                         std::uint32_t count, std::uint32_t* __restrict sums,
                                                         std::uint16_t* __restrict maxima, std::uint16_t& lowest) {
    std::uint16_t low = lowest;
    std::uint16_t full = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t sum = 0;
        std::uint16_t high = maxima[i];
        for (int r = 0; r < Rows; ++r) {
            const std::uint16_t value = sampleAt(samples + r * rowBytes, i);
            sum += value;
            high = std::max(high, value);
            low = std::min(low, value);
            full = static_cast<std::uint16_t>(full + (value == 0xFFFF));
        }
        sums[i] += sum;
        maxima[i] = high;
    }
    lowest = low;
    return full;
}

// Columns a call takes, so that the saturated samples of up to four rows fit a 16-bit count.
constexpr std::uint32_t columnsPerCall = 8192;
static_assert(4 * columnsPerCall < 0x10000);

// The saturated samples of a piece that holds some, counted column by column.
void countSaturated(const std::uint8_t* samples, std::size_t rowBytes, std::uint32_t rows, std::uint32_t count,
                    std::uint16_t* __restrict saturated) {
    for (std::uint32_t r = 0; r < rows; ++r)
        for (std::uint32_t i = 0; i < count; ++i)
            saturated[i] = static_cast<std::uint16_t>(saturated[i] + (sampleAt(samples + r * rowBytes, i) == 0xFFFF));
}

using AddToColumns = std::uint16_t (*)(const std::uint8_t*, std::size_t, std::uint32_t, std::uint32_t*, std::uint16_t*,
                                       std::uint16_t&);
using ColumnAdders = std::array<AddToColumns, 4>;  // for one to four rows at a time

template <int Rows>
std::uint16_t addToColumnsPortable(const std::uint8_t* samples, std::size_t rowBytes, std::uint32_t count,
                                   std::uint32_t* sums, std::uint16_t* maxima, std::uint16_t& lowest) {
    return addToColumns<Rows>(samples, rowBytes, count, sums, maxima, lowest);
}

#if defined(__GNUC__) && defined(__x86_64__)
// Twice the samples a step on processors that have AVX2, chosen as the program runs.
template <int Rows>
[[gnu::target("avx2")]] std::uint16_t addToColumnsAvx2(const std::uint8_t* samples, std::size_t rowBytes,
                                                       std::uint32_t count, std::uint32_t* sums, std::uint16_t* maxima,
                                                       std::uint16_t& lowest) {
    return addToColumns<Rows>(samples, rowBytes, count, sums, maxima, lowest);
}

ColumnAdders fastestColumnAdders() {
    if (__builtin_cpu_supports("avx2"))
        return {addToColumnsAvx2<1>, addToColumnsAvx2<2>, addToColumnsAvx2<3>, addToColumnsAvx2<4>};
    return {addToColumnsPortable<1>, addToColumnsPortable<2>, addToColumnsPortable<3>, addToColumnsPortable<4>};
}
#else
ColumnAdders fastestColumnAdders() {
    return {addToColumnsPortable<1>, addToColumnsPortable<2>, addToColumnsPortable<3>, addToColumnsPortable<4>};
}
#endif

// Counts each sample's value of `rows` rows `rowBytes` apart: the scan's own histogram, at the
// cost of one table look-up a sample. Two tables, for the even and the odd samples, so that a run of equal samples (a plain
// background) does not wait on each count it has just stored.
void countValues(const std::uint8_t* samples, std::size_t rowBytes, std::uint32_t rows, std::uint32_t count,
                 std::uint32_t* __restrict even, std::uint32_t* __restrict odd) {
    for (std::uint32_t r = 0; r < rows; ++r) {
        const std::uint8_t* row = samples + r * rowBytes;
        std::uint32_t i = 0;
        for (; i + 1 < count; i += 2) {
            ++even[sampleAt(row, i)];
            ++odd[sampleAt(row, i + 1)];
        }
        if (i < count) ++even[sampleAt(row, i)];
    }
}

}  // namespace

// Adds `rows` rows of `count` samples each, `rowBytes` apart, to the columns from `firstColumn` on.
void ChannelReducer::addSamples(const std::uint8_t* samples, std::size_t rowBytes, std::uint32_t rows,
                                std::uint32_t firstColumn, std::uint32_t count) {
    static const ColumnAdders add = fastestColumnAdders();
    for (std::uint32_t done = 0; done < count; done += columnsPerCall) {
        const std::uint32_t columns = std::min(columnsPerCall, count - done);
        const std::uint8_t* row = samples + 2 * std::size_t{done};
        for (std::uint32_t left = rows; left > 0;) {
            const std::uint32_t step = std::min<std::uint32_t>(left, add.size());
            if (add[step - 1](row, rowBytes, columns, columnSums_.data() + firstColumn + done,
                              columnMaxima_.data() + firstColumn + done, result_.minimum) != 0)
                countSaturated(row, rowBytes, step, columns, columnSaturated_.data() + firstColumn + done);
            left -= step;
            row += step * rowBytes;
        }
    }
}

// Counts the values of those of rows [firstRow, firstRow + rows) that are sampled, the first
// of them at `samples`.
void ChannelReducer::countRowValues(const std::uint8_t* samples, std::size_t rowBytes, std::uint32_t firstRow,
                                    std::uint32_t rows, std::uint32_t count) {
    const std::uint32_t step = result_.valueRowStep;
    if (step == 0) return;  // not counted
    const std::uint32_t skipped = (step - firstRow % step) % step;
    if (skipped >= rows) return;
    countValues(samples + skipped * rowBytes, step * rowBytes, (rows - skipped + step - 1) / step, count,
                result_.valueCounts.data(), oddCounts_.data());
}

// The column sums of one strip go to the runs they belong to, and start again from nothing.
void ChannelReducer::foldStrip(std::uint32_t firstColumn, std::uint32_t count) {
    for (std::uint32_t column = firstColumn, end = firstColumn + count; column < end;) {
        const std::uint32_t run = runOf(column);
        const std::uint32_t stop = std::min(runEnd(run), end);
        std::uint64_t sum = 0;
        std::uint32_t saturated = 0;
        std::uint16_t maximum = runMaxima_[run];
        for (std::uint32_t c = column - firstColumn; c < stop - firstColumn; ++c) {
            sum += columnSums_[c];
            saturated += columnSaturated_[c];
            maximum = std::max(maximum, columnMaxima_[c]);
        }
        runSums_[run] += sum;
        runSaturated_[run] += saturated;
        runMaxima_[run] = maximum;
        column = stop;
    }
    // Cleared once for the whole strip: clearing each run's part as it was read cost more than the sums.
    std::fill_n(columnSums_.begin(), count, 0);
    std::fill_n(columnMaxima_.begin(), count, 0);
    std::fill_n(columnSaturated_.begin(), count, 0);
}

void ChannelReducer::finishBand(std::uint32_t firstRow, std::uint32_t rows) {
    for (std::uint32_t run = 0; run < runCount_; ++run) {
        const std::uint32_t firstColumn = run == 0 ? 0 : runEnd(run - 1);
        const std::uint64_t count = std::uint64_t{rows} * (runEnd(run) - firstColumn);
        if (count == 0) continue;  // never: every band and every run holds samples
        const std::size_t block = blockOf(firstRow, firstColumn);
        result_.means[block] = static_cast<std::uint16_t>((runSums_[run] + count / 2) / count);
        result_.maxima[block] = runMaxima_[run];
        result_.saturated[block] = runSaturated_[run];
        result_.sum += runSums_[run];
        runSums_[run] = 0;
        runMaxima_[run] = 0;
        runSaturated_[run] = 0;
    }
}

}  // namespace quillane

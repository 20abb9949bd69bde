#pragma once

#include <cstddef>
#include <cstdint>

// Reflections of a width × height image of 16-bit samples across a diagonal, from a source
// into a separate height × width destination:
//   main diagonal:     destination[c × height + r] = source[r × width + c]
//   opposite diagonal: destination[(width − 1 − c) × height + (height − 1 − r)] = source[r × width + c]
// Source and destination must not overlap. Either may start at any byte address (samples
// inside a mapped input start where the file says): they are moved as bytes, never loaded
// through an aligned 16-bit access.
namespace quillane {

class ScanImage;

// The reference: the source visited row by row in storage order.
void flipMainDiagonalRowByRow(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                              std::uint32_t height);
void flipOppositeDiagonalRowByRow(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                                  std::uint32_t height);

// The same result in cache-sized tiles of 8 × 8 blocks, with an SSE2 kernel where the target
// has one and the portable kernel otherwise.
void flipMainDiagonalBlocked(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                             std::uint32_t height);
void flipOppositeDiagonalBlocked(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                                 std::uint32_t height);

// The blocked traversal with the portable kernel, whatever the target; the blocked functions
// use it where SSE2 is missing, and tests check it everywhere.
void flipMainDiagonalBlockedPortable(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                                     std::uint32_t height);
void flipOppositeDiagonalBlockedPortable(std::uint16_t* destination, const std::uint16_t* source,
                                         std::uint32_t width, std::uint32_t height);

// The tile the blocked flips work through at a time, in source rows and columns.
struct FlipTile {
    std::uint32_t rows = 512;
    std::uint32_t columns = 1024;
};

enum class Diagonal { main, opposite };

// Where the sample in row `row` and column `column` of a width × height source stands in the
// image flipped along `diagonal` (height wide, width high): the mapping every flip above makes.
struct FlippedPosition {
    std::uint32_t row = 0;
    std::uint32_t column = 0;
};
constexpr FlippedPosition flippedPosition(Diagonal diagonal, std::uint32_t row, std::uint32_t column, std::uint32_t width,
                                          std::uint32_t height) {
    if (diagonal == Diagonal::main) return {column, row};
    return {width - 1 - column, height - 1 - row};
}

// A rectangle of the flipped (height × width) image: `rows` of its rows from `firstRow` on, and
// in each `columns` samples from `firstColumn` on.
struct FlipBand {
    std::uint32_t firstRow = 0;
    std::uint32_t rows = 0;
    std::uint32_t firstColumn = 0;
    std::uint32_t columns = 0;
};

// One band of the flipped image, with the blocked flips' tiles and kernel, into `destination`:
// `band.columns` samples a row, its rows one after another. The band must lie inside the
// flipped image. The blocked flips are this function over the whole image.
void flipBand(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width, std::uint32_t height,
              Diagonal diagonal, FlipBand band, FlipTile tile = {});

// How the flipped image of a width × height source is cut into bands of at most about
// `bandBytes`, in the order its bytes stand in a file: whole rows, a multiple of 8 of them where
// the image has that many, so that the blocked kernel can take them; where even 8 rows would
// be far larger, one row at a time in pieces.
struct FlipBandPlan {
    std::uint32_t width = 0;   // of the source
    std::uint32_t height = 0;
    std::uint32_t rowsPerBand = 0;
    std::uint32_t columnsPerBand = 0;
    std::uint64_t bandCount = 0;

    FlipBand band(std::uint64_t index) const;
    std::size_t largestBandSamples() const { return std::size_t{rowsPerBand} * columnsPerBand; }
};
FlipBandPlan planFlipBands(std::uint32_t width, std::uint32_t height, std::size_t bandBytes);

// The blocked main-diagonal flip in tiles of another size (multiples of 8; any other size
// falls back to the usual one), for measuring how the tile size matters on a given shape.
void flipMainDiagonalTiled(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                           std::uint32_t height, FlipTile tile);

// One whole channel of `scan` (its width × height, samples at `source`, perhaps in its mapped
// input) flipped into `destination`; an input that fails under the read is refused as the split
// refuses it. Call scan.exchangeAxes() once every channel is flipped.
void flipChannel(const ScanImage& scan, Diagonal diagonal, std::uint16_t* destination, const std::uint16_t* source);

}  // namespace quillane

#include "output/Flip.h"

#include "scan/ScanImage.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillane {

namespace {

using Byte = unsigned char;

// The image is walked in bands of `FlipTile::columns` source columns, each band top to bottom in
// tiles of `FlipTile::rows` rows, and a tile one 8-column block at a time down its rows: the
// block's 8 destination rows are then filled front to back, and the band's source lines stay in
// the second-level cache while its 8-column blocks use them up. Tiles of 512 × 1024 samples were
// the best measured, within a few percent, on 5000-, 4096- (power-of-two rows, where short
// bands thrash the cache sets) and 15000-wide images; much smaller or larger ones lose 20-40 %
// (quillane_bench's flipTiles rows show it).
constexpr FlipTile defaultTile;
static_assert(defaultTile.rows % 8 == 0 && defaultTile.columns % 8 == 0);

// Where source sample (r, c) goes.
template <bool opposite>
std::size_t destinationIndex(std::size_t r, std::size_t c, std::size_t width, std::size_t height) {
    return opposite ? (width - 1 - c) * height + (height - 1 - r) : c * height + r;
}

// The mapping sample by sample over source rows [r0, r1) and columns [c0, c1), in storage order.
template <bool opposite>
void flipRegion(Byte* destination, const Byte* source, std::size_t width, std::size_t height, std::size_t r0,
                std::size_t r1, std::size_t c0, std::size_t c1) {
    for (std::size_t r = r0; r < r1; ++r) {
        const Byte* row = source + 2 * (r * width);
        for (std::size_t c = c0; c < c1; ++c)
            std::memcpy(destination + 2 * destinationIndex<opposite>(r, c, width, height), row + 2 * c, 2);
    }
}

// An 8 × 8 block transposed: row i of the output is column i of the input. Input row i starts
// at in + i × inStride, output row i at out + i × outStride; strides may be negative, which is
// how the opposite flip reverses both axes without extra work.
struct PortableKernel {
    static void transpose8x8(const Byte* in, std::ptrdiff_t inStride, Byte* out, std::ptrdiff_t outStride) {
        std::uint16_t block[8][8];
        for (int i = 0; i < 8; ++i) std::memcpy(block[i], in + i * inStride, 16);
        for (int j = 0; j < 8; ++j) {
            std::uint16_t column[8];
            for (int i = 0; i < 8; ++i) column[i] = block[i][j];
            std::memcpy(out + j * outStride, column, 16);
        }
    }
};

#if defined(__SSE2__)
struct Sse2Kernel {
    static void transpose8x8(const Byte* in, std::ptrdiff_t inStride, Byte* out, std::ptrdiff_t outStride) {
        const auto load = [&](int i) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * inStride)); };
        const __m128i r0 = load(0), r1 = load(1), r2 = load(2), r3 = load(3);
        const __m128i r4 = load(4), r5 = load(5), r6 = load(6), r7 = load(7);
        // Interleave pairs of rows in 16-, then 32-, then 64-bit units.
        const __m128i a0 = _mm_unpacklo_epi16(r0, r1), a1 = _mm_unpackhi_epi16(r0, r1);
        const __m128i a2 = _mm_unpacklo_epi16(r2, r3), a3 = _mm_unpackhi_epi16(r2, r3);
        const __m128i a4 = _mm_unpacklo_epi16(r4, r5), a5 = _mm_unpackhi_epi16(r4, r5);
        const __m128i a6 = _mm_unpacklo_epi16(r6, r7), a7 = _mm_unpackhi_epi16(r6, r7);
        const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
        const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
        const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
        const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
        const auto store = [&](int j, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j * outStride), v); };
        store(0, _mm_unpacklo_epi64(b0, b4));
        store(1, _mm_unpackhi_epi64(b0, b4));
        store(2, _mm_unpacklo_epi64(b1, b5));
        store(3, _mm_unpackhi_epi64(b1, b5));
        store(4, _mm_unpacklo_epi64(b2, b6));
        store(5, _mm_unpackhi_epi64(b2, b6));
        store(6, _mm_unpacklo_epi64(b3, b7));
        store(7, _mm_unpackhi_epi64(b3, b7));
    }
};
using FastKernel = Sse2Kernel;
#else
using FastKernel = PortableKernel;
#endif

// Whole 8 × 8 blocks tile by tile through the kernel; the rows and columns that do not fill a
// block go through the plain mapping.
template <bool opposite, class Kernel>
void flipBlocked(Byte* destination, const Byte* source, std::size_t width, std::size_t height,
                 FlipTile tile = defaultTile) {
    const std::size_t tileRows = tile.rows;
    const std::size_t tileColumns = tile.columns;
    const std::size_t blockWidth = width - width % 8;
    const std::size_t blockHeight = height - height % 8;
    const auto sourceRow = static_cast<std::ptrdiff_t>(2 * width);
    const auto destinationRow = static_cast<std::ptrdiff_t>(2 * height);

    for (std::size_t tileLeft = 0; tileLeft < blockWidth; tileLeft += tileColumns) {
        const std::size_t tileRight = std::min(tileLeft + tileColumns, blockWidth);
        // The opposite flip takes the rows bottom up, so that it too fills each destination
        // row front to back (measured some 25 % faster than top down).
        for (std::size_t tileTop = 0; tileTop < blockHeight; tileTop += tileRows) {
            const std::size_t tileBottom = std::min(tileTop + tileRows, blockHeight);
            for (std::size_t c = tileLeft; c < tileRight; c += 8) {
                for (std::size_t step = tileTop; step < tileBottom; step += 8) {
                    if constexpr (opposite) {
                        // Rows read bottom up and written right to left: both axes reversed.
                        const std::size_t r = blockHeight - 8 - step;
                        Kernel::transpose8x8(source + 2 * ((r + 7) * width + c), -sourceRow,
                                             destination + 2 * ((width - 1 - c) * height + (height - 8 - r)),
                                             -destinationRow);
                    } else {
                        Kernel::transpose8x8(source + 2 * (step * width + c), sourceRow,
                                             destination + 2 * (c * height + step), destinationRow);
                    }
                }
            }
        }
    }
    flipRegion<opposite>(destination, source, width, height, 0, blockHeight, blockWidth, width);
    flipRegion<opposite>(destination, source, width, height, blockHeight, height, 0, width);
}

Byte* bytes(std::uint16_t* samples) { return reinterpret_cast<Byte*>(samples); }
const Byte* bytes(const std::uint16_t* samples) { return reinterpret_cast<const Byte*>(samples); }

}  // namespace

void flipMainDiagonalRowByRow(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                              std::uint32_t height) {
    flipRegion<false>(bytes(destination), bytes(source), width, height, 0, height, 0, width);
}

void flipOppositeDiagonalRowByRow(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                                  std::uint32_t height) {
    flipRegion<true>(bytes(destination), bytes(source), width, height, 0, height, 0, width);
}

void flipMainDiagonalBlocked(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                             std::uint32_t height) {
    flipBlocked<false, FastKernel>(bytes(destination), bytes(source), width, height);
}

void flipOppositeDiagonalBlocked(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                                 std::uint32_t height) {
    flipBlocked<true, FastKernel>(bytes(destination), bytes(source), width, height);
}

void flipMainDiagonalBlockedPortable(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                                     std::uint32_t height) {
    flipBlocked<false, PortableKernel>(bytes(destination), bytes(source), width, height);
}

void flipOppositeDiagonalBlockedPortable(std::uint16_t* destination, const std::uint16_t* source,
                                         std::uint32_t width, std::uint32_t height) {
    flipBlocked<true, PortableKernel>(bytes(destination), bytes(source), width, height);
}

void flipMainDiagonalTiled(std::uint16_t* destination, const std::uint16_t* source, std::uint32_t width,
                           std::uint32_t height, FlipTile tile) {
    if (tile.rows == 0 || tile.columns == 0 || tile.rows % 8 != 0 || tile.columns % 8 != 0) tile = defaultTile;
    flipBlocked<false, FastKernel>(bytes(destination), bytes(source), width, height, tile);
}

// The shape is the scan's; a negative one (never set by parse) is taken as empty. A source
// still inside the mapped input is mapped in first, in one go, rather than a few pages at a
// time as the tiles reach it, and is read under guard: another program may cut the file short
// meanwhile.
void ScanImage::flipMainDiagonal(std::uint16_t* destination, const std::uint16_t* source) {
    if (width <= 0 || height <= 0) return;
    const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
    input_.prefetch(source, 2 * std::uint64_t{w} * h);
    if (!input_.readGuarded([&] { flipMainDiagonalBlocked(destination, source, w, h); })) refuseChangedInput();
}

void ScanImage::flipOppositeDiagonal(std::uint16_t* destination, const std::uint16_t* source) {
    if (width <= 0 || height <= 0) return;
    const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
    input_.prefetch(source, 2 * std::uint64_t{w} * h);
    if (!input_.readGuarded([&] { flipOppositeDiagonalBlocked(destination, source, w, h); })) refuseChangedInput();
}

}  // namespace quillane

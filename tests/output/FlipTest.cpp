// The diagonal flips: the defining examples and laws through a scan's channel, the fast blocked
// traversal against the plain row-by-row one on shapes that leave partial blocks and tiles, and
// the flip made band by band as a channel is written against the whole flip.
#include "output/ChannelScan.h"
#include "output/Flip.h"
#include "scan/ScanImage.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace quillane {
namespace {

using testing::ChannelScan;
using testing::firstMismatches;
using testing::readFile;
using testing::TemporaryFolder;
using testing::samplesAt;

using Flip = void (*)(std::uint16_t*, const std::uint16_t*, std::uint32_t, std::uint32_t);

std::vector<std::uint16_t> randomImage(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint16_t> image(n);
    for (auto& sample : image) sample = static_cast<std::uint16_t>(random());
    return image;
}

// Flips through the scan the way the split run does: into a new buffer, then width and height
// exchanged.
std::vector<std::uint16_t> flipped(ScanImage& scan, bool mainDiagonal, const std::vector<std::uint16_t>& image) {
    std::vector<std::uint16_t> result(image.size(), 0xDEAD);
    flipChannel(scan, mainDiagonal ? Diagonal::main : Diagonal::opposite, result.data(), image.data());
    std::swap(scan.width, scan.height);
    return result;
}

TEST(Flip, ThreeByTwoExample) {
    enum : std::uint16_t { a = 1, b, c, d, e, f };
    const std::vector<std::uint16_t> image = {a, b, c, d, e, f};
    ScanImage scan;
    scan.width = 3;
    scan.height = 2;
    EXPECT_EQ(flipped(scan, true, image), (std::vector<std::uint16_t>{a, d, b, e, c, f}));
    EXPECT_EQ(scan.width, 2);
    scan.width = 3;
    scan.height = 2;
    EXPECT_EQ(flipped(scan, false, image), (std::vector<std::uint16_t>{f, c, e, b, d, a}));
}

TEST(Flip, TwiceIsIdentityAndMainThenOppositeIsAHalfTurn) {
    for (const auto& [width, height] : {std::pair{45, 29}, {1031, 997}, {64, 8}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const auto image = randomImage(std::size_t(width) * height, 7);
        ScanImage scan;
        for (const bool mainDiagonal : {true, false}) {
            scan.width = width;
            scan.height = height;
            const auto once = flipped(scan, mainDiagonal, image);
            EXPECT_EQ(firstMismatches(image, flipped(scan, mainDiagonal, once), width), "");
            EXPECT_EQ(scan.width, width);
        }
        scan.width = width;
        scan.height = height;
        const auto halfTurn = flipped(scan, false, flipped(scan, true, image));
        EXPECT_EQ((std::pair{scan.width, scan.height}), (std::pair{width, height}));
        const std::vector<std::uint16_t> rotated(image.rbegin(), image.rend());
        EXPECT_EQ(firstMismatches(rotated, halfTurn, width), "");
    }
}

TEST(Flip, SquareKeepsItsDiagonalInPlace) {
    const std::uint32_t n = 67;
    const auto image = randomImage(n * n, 5);
    ScanImage scan;
    scan.width = scan.height = n;
    const auto main = flipped(scan, true, image);
    const auto opposite = flipped(scan, false, image);
    for (std::uint32_t i = 0; i < n; ++i) {
        EXPECT_EQ(main[i * n + i], image[i * n + i]) << i;
        EXPECT_EQ(opposite[i * n + (n - 1 - i)], image[i * n + (n - 1 - i)]) << i;
    }
}

TEST(Flip, EmptyImageWritesNothing) {
    const std::vector<std::uint16_t> image(8, 1);
    for (const auto& [width, height] : {std::pair{0, 5}, {5, 0}, {0, 0}, {-3, 4}}) {
        ScanImage scan;
        scan.width = width;
        scan.height = height;
        EXPECT_EQ(flipped(scan, true, image), std::vector<std::uint16_t>(8, 0xDEAD));
        scan.width = width;
        scan.height = height;
        EXPECT_EQ(flipped(scan, false, image), std::vector<std::uint16_t>(8, 0xDEAD));
    }
    std::uint16_t untouched = 0xDEAD;
    for (Flip flip : {flipMainDiagonalBlocked, flipOppositeDiagonalBlockedPortable, flipMainDiagonalRowByRow}) {
        flip(&untouched, image.data(), 0, 9);
        flip(&untouched, image.data(), 9, 0);
    }
    EXPECT_EQ(untouched, 0xDEAD);
}

// Every blocked variant, from and to aligned and odd addresses, gives what the plain loop gives.
TEST(Flip, BlockedEqualsRowByRowOnEveryShape) {
    const struct {
        const char* name;
        Flip blocked;
        Flip reference;
    } flips[] = {
        {"main", flipMainDiagonalBlocked, flipMainDiagonalRowByRow},
        {"main portable", flipMainDiagonalBlockedPortable, flipMainDiagonalRowByRow},
        {"opposite", flipOppositeDiagonalBlocked, flipOppositeDiagonalRowByRow},
        {"opposite portable", flipOppositeDiagonalBlockedPortable, flipOppositeDiagonalRowByRow},
    };
    const std::pair<std::uint32_t, std::uint32_t> shapes[] = {
        {1, 1},  {1, 1000}, {1000, 1}, {8, 8},    {7, 9},     {16, 24},   {37, 1009},
        {1031, 997}, {4096, 5}, {5, 4096}, {1030, 520}, {2051, 17},
    };
    for (const auto& [width, height] : shapes) {
        const std::size_t n = std::size_t{width} * height;
        const auto image = randomImage(n, width * 31 + height);
        for (const auto& flip : flips) {
            SCOPED_TRACE(std::string(flip.name) + " " + std::to_string(width) + " x " + std::to_string(height));
            std::vector<std::uint16_t> expected(n);
            flip.reference(expected.data(), image.data(), width, height);

            std::vector<std::uint16_t> actual(n, 0xDEAD);
            flip.blocked(actual.data(), image.data(), width, height);
            EXPECT_EQ(firstMismatches(expected, actual, height), "");

            // Samples inside a mapped file can start at an odd address; so, here, can the result.
            std::vector<unsigned char> source(2 * n + 1), destination(2 * n + 1, 0xEE);
            std::memcpy(source.data() + 1, image.data(), 2 * n);
            flip.blocked(reinterpret_cast<std::uint16_t*>(destination.data() + 1),
                         reinterpret_cast<const std::uint16_t*>(source.data() + 1), width, height);
            EXPECT_EQ(firstMismatches(expected, samplesAt(destination.data() + 1, n), height), "") << "odd addresses";
            EXPECT_EQ(destination[0], 0xEE) << "wrote before the destination";
        }
    }
}

// Band sizes for a shape: many bands of whole rows, 8 rows exactly, 24 rows and a little, pieces
// of rows where 8 rows would be far too many bytes, and the usual size.
std::vector<std::size_t> bandSizesFor(std::uint32_t width, std::uint32_t height) {
    return {std::max<std::size_t>(16, std::size_t{2} * width * height / 40), std::size_t{16} * height,
            std::size_t{48} * height + 2, ChannelWriter::defaultFlipBandBytes};
}

const std::pair<std::uint32_t, std::uint32_t> bandShapes[] = {
    {1, 1}, {1, 1000}, {1000, 1}, {7, 9}, {8, 3}, {37, 1009}, {1031, 997}, {2051, 17},
};

// The bands, in order, tile the flipped image row after row, each where the file needs it next,
// and together they are the whole flip.
TEST(FlipBands, BandsInFileOrderMakeTheWholeFlip) {
    for (const auto& [width, height] : bandShapes) {
        const std::size_t n = std::size_t{width} * height;
        const auto image = randomImage(n, width + 7 * height);
        for (const std::size_t bandBytes : bandSizesFor(width, height)) {
            const FlipBandPlan plan = planFlipBands(width, height, bandBytes);
            for (const Diagonal diagonal : {Diagonal::main, Diagonal::opposite}) {
                SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", bands of " +
                             std::to_string(bandBytes) + (diagonal == Diagonal::main ? ", main" : ", opposite"));
                std::vector<std::uint16_t> expected(n);
                (diagonal == Diagonal::main ? flipMainDiagonalRowByRow : flipOppositeDiagonalRowByRow)(
                    expected.data(), image.data(), width, height);
                std::vector<std::uint16_t> streamed;
                for (std::uint64_t i = 0; i < plan.bandCount; ++i) {
                    const FlipBand band = plan.band(i);
                    ASSERT_EQ(std::size_t{band.firstRow} * height + band.firstColumn, streamed.size()) << "band " << i;
                    ASSERT_LE(std::size_t{band.rows} * band.columns, plan.largestBandSamples());
                    std::vector<std::uint16_t> part(std::size_t{band.rows} * band.columns, 0xDEAD);
                    flipBand(part.data(), image.data(), width, height, diagonal, band);
                    // A band of several rows holds whole rows; a piece of a row is one row.
                    ASSERT_TRUE(band.rows == 1 || band.columns == height);
                    streamed.insert(streamed.end(), part.begin(), part.end());
                }
                EXPECT_EQ(firstMismatches(expected, streamed, height), "");
            }
            // No band much larger than asked for: 8 rows at most four times the size, else pieces.
            EXPECT_LE(2 * plan.largestBandSamples(), std::max<std::size_t>(4 * bandBytes, 2 * std::size_t{height}));
        }
    }
    EXPECT_EQ(planFlipBands(0, 5, 100).bandCount, 0u);
    EXPECT_EQ(planFlipBands(5, 0, 100).bandCount, 0u);
}

// A channel flipped as it is written, in bands (several of them written on a worker thread while
// the next is flipped), gives the same file byte for byte as the channel flipped whole first.
TEST(FlipBands, FlippedWhileWrittenEqualsFlippedWholeFirst) {
    TemporaryFolder folder;
    for (const auto& [width, height] : bandShapes) {
        for (const bool mainDiagonal : {true, false}) {
            ChannelScan whole(width, height);
            std::vector<std::uint16_t> flipped[2];
            for (int c = 0; c < 2; ++c) {
                flipped[c].resize(std::size_t{width} * height);
                flipChannel(whole.scan, mainDiagonal ? Diagonal::main : Diagonal::opposite, flipped[c].data(),
                            whole.scan.channels[c].samples.data);
                whole.scan.channels[c].samples.data = flipped[c].data();
            }
            whole.scan.exchangeAxes();
            whole.writer.writeChannel((folder / "whole-0.tif").string(), 0);
            whole.writer.writeChannel((folder / "whole-1.tif").string(), 1);

            for (const std::size_t bandBytes : bandSizesFor(width, height)) {
                SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", bands of " +
                             std::to_string(bandBytes) + (mainDiagonal ? ", main" : ", opposite"));
                ChannelScan streamed(width, height);
                streamed.writer.flipBandBytes = bandBytes;
                streamed.writer.flipWhenWritten(mainDiagonal);
                EXPECT_EQ((std::pair{streamed.scan.width, streamed.scan.height}), (std::pair{whole.scan.width, whole.scan.height}));
                // Both channels through the same band buffers, one after the other.
                for (int c = 0; c < 2; ++c) {
                    const auto path = folder / ("streamed-" + std::to_string(c) + ".tif");
                    streamed.writer.writeChannel(path.string(), c);
                    EXPECT_EQ(readFile(path), readFile(folder / ("whole-" + std::to_string(c) + ".tif"))) << "channel " << c;
                }
            }
        }
    }
}

}  // namespace
}  // namespace quillane

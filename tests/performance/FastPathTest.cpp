// The fast paths: what they change must not show in any result. A new output is not flushed to
// disk but a replaced one still is; samples still in the input are read from the file in small
// pieces and written as they come, and large writes go out in pieces; the input's pages are mapped
// ahead only inside the mapping, and an input cut short meanwhile still fails the ordinary way,
// flipped or not; channel buffers carry the huge-page advice and stay plain arrays; a flip in
// tiles of any size is the flip.
#include "output/ChannelWriter.h"
#include "output/Flip.h"
#include "platform/FileSystemCalls.h"
#include "platform/MappedFile.h"
#include "platform/Process.h"
#include "scan/ChannelBuffer.h"
#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/utsname.h>
#include <unistd.h>
#endif

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

int fsyncCalls = 0;
std::vector<std::size_t> writeSizes;

#ifdef _WIN32
BOOL WINAPI countingFlush(HANDLE file) {
    ++fsyncCalls;
    return systemFileSystemCalls().flushFileBuffers(file);
}

BOOL WINAPI recordingWrite(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
    writeSizes.push_back(count);
    return systemFileSystemCalls().writeFile(file, bytes, count, written, overlapped);
}

void countFlushes(FileSystemCalls& calls) { calls.flushFileBuffers = countingFlush; }
void recordWrites(FileSystemCalls& calls) { calls.writeFile = recordingWrite; }
#else
int countingFsync(int descriptor) {
    ++fsyncCalls;
    return systemFileSystemCalls().fsync(descriptor);
}

ssize_t recordingWrite(int descriptor, const void* bytes, std::size_t count) {
    writeSizes.push_back(count);
    return systemFileSystemCalls().write(descriptor, bytes, count);
}

void countFlushes(FileSystemCalls& calls) { calls.fsync = countingFsync; }
void recordWrites(FileSystemCalls& calls) { calls.write = recordingWrite; }

// The /proc/self/smaps block of the mapping that holds `address`.
std::string smapsOf(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::string block, line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        unsigned long from = 0, to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (line.find('-') < line.find(' ') && (range >> std::hex >> from >> dash >> to) && dash == '-') {
            if (inside) break;
            inside = from <= at && at < to;
        }
        if (inside) block += line + "\n";
    }
    return block;
}

std::uint64_t residentKib(const void* address) {
    const std::string block = smapsOf(address);
    const auto at = block.find("\nRss:");
    return at == std::string::npos ? 0 : std::stoull(block.substr(at + 5));
}

bool kernelAtLeast(int major, int minor) {
    utsname name{};
    if (uname(&name) != 0) return false;
    int haveMajor = 0, haveMinor = 0;
    std::sscanf(name.release, "%d.%d", &haveMajor, &haveMinor);
    return haveMajor > major || (haveMajor == major && haveMinor >= minor);
}
#endif

class FastPath : public ::testing::Test {
protected:
    TemporaryFolder folder;
};

TEST_F(FastPath, EveryOutputIsFlushedBeforeItsNameAndItsFolderAfter) {
    const fs::path input = ScanBuilder::scan(9, 4).write(folder / "scan.tif");
    ScanImage scan;
    ChannelWriter writer(scan);
    scan.open(input.string());
    scan.parse();
    FileSystemCalls calls = systemFileSystemCalls();
    countFlushes(calls);
    const ReplacedFileSystemCalls counting(calls);

    fsyncCalls = 0;
    writer.writeChannel((folder / "Red.tif").string(), 0);
    EXPECT_EQ(fsyncCalls, 2) << "a new file";
    writer.writeChannel((folder / "Red.tif").string(), 0);
    EXPECT_EQ(fsyncCalls, 4) << "a file replaced";
    EXPECT_EQ(readTiff(folder / "Red.tif").pixels, samplesAt(scan.channels[0].samples.data, 36));
}

// Samples still in the input go out in the pieces they are read in; flipped ones a megabyte at a
// time, or a band at a time when bands are smaller.
TEST_F(FastPath, LargePixelDataGoesToTheSystemInPieces) {
    const std::uint32_t width = 1000, height = 1300;  // 2.6 MB of samples per channel
    const std::size_t pixelBytes = 2u * width * height;
    const std::vector<std::size_t> megabytePieces = {std::size_t{1} << 20, std::size_t{1} << 20, pixelBytes - (std::size_t{2} << 20)};
    const fs::path input = ScanBuilder::scan(width, height).write(folder / "scan.tif");
    const struct {
        const char* what;
        bool flip;
        std::size_t bandBytes;
    } cases[] = {{"from the input", false, 0}, {"flipped in one band", true, ChannelWriter::defaultFlipBandBytes},
                 {"flipped in bands of 400 rows", true, 400 * 2 * height}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScanImage scan;
        ChannelWriter writer(scan);
        scan.open(input.string());
        scan.parse();
        if (c.flip) {
            writer.flipBandBytes = c.bandBytes;
            writer.flipWhenWritten(true);
        }
        FileSystemCalls calls = systemFileSystemCalls();
        recordWrites(calls);
        writeSizes.clear();
        {
            const ReplacedFileSystemCalls recording(calls);
            writer.writeChannel((folder / "Green.tif").string(), 1);
        }
        // Header, directory and value area, then the samples.
        ASSERT_GE(writeSizes.size(), 3u);
        const std::vector<std::size_t> samples(writeSizes.begin() + 3, writeSizes.end());
        // Bands of 400 rows are 1040000 bytes, each one piece.
        const std::vector<std::size_t> bands = {1040000, 1040000, 520000};
        std::vector<std::size_t> read;
        for (std::size_t left = pixelBytes; left > 0; left -= std::min(left, ChannelWriter::copyPieceBytes))
            read.push_back(std::min(left, ChannelWriter::copyPieceBytes));
        EXPECT_EQ(samples, !c.flip ? read : c.bandBytes < pixelBytes ? bands : megabytePieces);
        const TiffReadBack back = readTiff(folder / "Green.tif");
        ASSERT_TRUE(back.opened);
        const auto expected = c.flip ? reflectedPatternImage(1, width, height, true) : patternImage(1, width, height);
        EXPECT_EQ(firstMismatches(expected, back.pixels, back.width), "");
    }
}

TEST_F(FastPath, MappingHoldsExactlyItsOwnBytesAndTheFileReadsToItsEnd) {
    writeFile(folder / "bytes", std::vector<std::uint8_t>(10000, 7));
    MappedFile file;
    ASSERT_EQ(file.openForReading((folder / "bytes").string()), 0u);
    EXPECT_FALSE(file.holds(nullptr, 0)) << "nothing mapped yet";
    ASSERT_EQ(file.mapWhole(10000), 0u);
    const std::uint8_t* view = file.view();
    const struct {
        const std::uint8_t* start;
        std::uint64_t length;
        bool held;
    } cases[] = {
        {view, 10000, true},        {view + 9999, 1, true}, {view + 10000, 0, true}, {view + 1, 10000, false},
        {view + 10000, 1, false},   {view - 1, 2, false},   {view + 5000, ~0ull, false},
    };
    for (const auto& c : cases) EXPECT_EQ(file.holds(c.start, c.length), c.held) << (c.start - view) << " + " << c.length;
    // Outside the mapping the advice is not given at all; inside it changes nothing readable.
    file.prefetch(view - 4096, 8192);
    file.prefetch(view + 9000, 5000);
    file.prefetch(view + 1, 9999);
    EXPECT_EQ(view[9999], 7);
    // Read from the file itself: what it has from an offset on, and nothing past its end.
    std::uint8_t bytes[100] = {};
    std::size_t got = 99;
    EXPECT_EQ(file.readAt(9990, bytes, sizeof bytes, got), 0u);
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(bytes[9], 7);
    EXPECT_EQ(file.readAt(10000, bytes, sizeof bytes, got), 0u);
    EXPECT_EQ(got, 0u);
}

TEST_F(FastPath, PrefetchMapsTheRangeInOneGo) {
#ifdef _WIN32
    GTEST_SKIP() << "which pages are mapped in is read from /proc, which Windows does not have";
#else
    if (!kernelAtLeast(5, 14)) GTEST_SKIP() << "the system cannot map pages ahead; it only reads them ahead";
    const std::size_t size = 64 * 4096;
    writeFile(folder / "bytes", std::vector<std::uint8_t>(size, 3));
    MappedFile file;
    ASSERT_EQ(file.openForReading((folder / "bytes").string()), 0u);
    ASSERT_EQ(file.mapWhole(size), 0u);
    const std::uint64_t before = residentKib(file.view());
    file.prefetch(file.view() + 3, size - 3);  // from an odd byte: whole pages around it
    EXPECT_LE(before, 16u);
    EXPECT_EQ(residentKib(file.view()), size / 1024);
#endif
}

// The write of samples from the input fails, not with a crash, naming the input that changed,
// and leaves neither the output nor its temporary behind: read from the file, or flipped band by
// band from the mapping while a worker writes the band before.
TEST_F(FastPath, InputCutShortAfterLoadingFailsTheWriteCleanly) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows refuses to cut short a file that is mapped (tested with the Windows behaviour)";
#endif
    const struct {
        const char* what;
        bool flip, mainDiagonal;
    } cases[] = {{"read from the file", false, false}, {"main flip in bands", true, true}, {"opposite flip in bands", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path input = ScanBuilder::scan(3000, 40).write(folder / "scan.tif");
        ScanImage scan;
        ChannelWriter writer(scan);
        scan.open(input.string());
        scan.parse();
        if (c.flip) {
            writer.flipBandBytes = 8 * 2 * 40;
            writer.flipWhenWritten(c.mainDiagonal);
        }
        // Inside the first channel's samples.
        fs::resize_file(input, 60000);
        const std::string output = (folder / "Red.tif").string();
        try {
            writer.writeChannel(output, 0);
            FAIL() << "the write went through";
        } catch (const UserException& failure) {
            EXPECT_EQ(failure.message, input.string() + " : This file was changed by another program while it was being split");
        }
        EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"scan.tif"}) << "no output, no temporary";
        scan.close();
        fs::remove(input);
    }
}

TEST_F(FastPath, LargeChannelBuffersAreAdvisedForHugePagesAndStayPlainArrays) {
#ifdef _WIN32
    GTEST_SKIP() << "huge pages are asked for on Linux only";
#else
    std::string mode;
    std::getline(std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"), mode);
    const bool offered = mode.find("[always]") != std::string::npos || mode.find("[madvise]") != std::string::npos;
    for (const int kind : {2, 4}) {
        SCOPED_TRACE(kind);
        ChannelBuffer buffer;
        const std::uint32_t n = (12u << 20) / static_cast<std::uint32_t>(kind);
        auto* bytes = static_cast<std::uint8_t*>(buffer.allocate(kind, n));
        ASSERT_NE(bytes, nullptr);
        for (std::size_t i = 0; i < std::size_t{n} * static_cast<std::size_t>(kind); i += 4093) bytes[i] = 1;
        EXPECT_EQ(bytes[4093], 1);
        const std::string block = smapsOf(bytes + (6u << 20));
        if (offered) {
            EXPECT_NE(block.find(" hg"), std::string::npos) << block;
        }
        // The buffer releases it with delete[], as for any array it owns.
    }
    ChannelBuffer small;
    small.allocate(2, 100);
    EXPECT_EQ(smapsOf(small.samples.data).find(" hg"), std::string::npos) << "a small array shares its pages";
#endif
}

TEST(FlipTiles, AnyTileSizeGivesTheFlip) {
    const std::uint32_t width = 1031, height = 997;
    std::vector<std::uint16_t> image(std::size_t{width} * height);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint16_t>(i * 40503u >> 3);
    std::vector<std::uint16_t> expected(image.size());
    flipMainDiagonalRowByRow(expected.data(), image.data(), width, height);
    const FlipTile tiles[] = {{8, 8}, {16, 512}, {1024, 64}, {4096, 4096}, {0, 0}, {12, 8}, {8, 20}};
    for (const FlipTile tile : tiles) {
        SCOPED_TRACE(std::to_string(tile.rows) + " x " + std::to_string(tile.columns));
        std::vector<std::uint16_t> actual(image.size(), 0xDEAD);
        flipMainDiagonalTiled(actual.data(), image.data(), width, height, tile);
        EXPECT_EQ(firstMismatches(expected, actual, height), "");
    }
}

}  // namespace
}  // namespace quillane

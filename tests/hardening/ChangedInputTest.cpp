// An input that another program changes under a split: cut short after it was loaded, while a
// flip or the writer reads its pixels from the mapping. The entry fails with a message that names
// the input, the run ends as for any failure, and no output file is left behind. And a failure
// whose error number is read only after other calls still reports its own cause.
#include "output/ChannelWriter.h"
#include "output/Flip.h"
#include "platform/FileSystemCalls.h"
#include "platform/MappedFile.h"
#include "platform/Process.h"
#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "split/RecordingHost.h"
#include "split/SplitRun.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <barrier>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#endif

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

TEST(ChangedInput, InputCutShortAfterLoadingEndsTheRunWithAMessageAndNoFile) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows refuses to cut short a file that is mapped (tested with the Windows behaviour)";
#endif
    const struct {
        const char* what;
        bool flip, mainDiagonal;
        std::uintmax_t keptBytes;
    } cases[] = {
        {"main flip reads past the end", true, true, 4096},
        {"opposite flip reads past the end", true, false, 4096},
        {"main flip, the file emptied", true, true, 0},
        {"writing from the mapping", false, false, 4096},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryFolder folder;
        // Channels of 240 KB each, so that both lie well past the first page.
        const fs::path input = ScanBuilder::scan(400, 300).write(folder / "scan.tif");
        RecordingHost host;
        RecordingPlatform platform(host);
        host.inputs = {input.string()};
        host.options.flip = c.flip;
        host.options.mainDiagonal = c.mainDiagonal;
        host.onPosition = [&](int pos) {
            if (pos == 2) fs::resize_file(input, c.keptBytes);  // after parse, before the pixels are read
        };
        SplitRun(host, platform);

        const std::vector<std::string> expected = {
            "position 0",
            "message Cannot Split this tiff: " + input.string() +
                " : This file was changed by another program while it was being split",
        };
        EXPECT_EQ(host.callsFrom("position 0"), expected);
        EXPECT_FALSE(host.called("endWait") && host.calls.back() != expected.back()) << "the run went on";
        EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"scan.tif"}) << "no output, no temporary";
        EXPECT_FALSE(processHolds(input));
    }
}

// The guard takes only faults inside the mapping it guards, and leaves the program as it was.
TEST(ChangedInput, GuardedReadOfAnIntactMappingCompletes) {
    TemporaryFolder folder;
    const fs::path input = ScanBuilder::scan(64, 64).write(folder / "scan.tif");
    ScanImage scan;
    scan.open(input.string());
    scan.parse();
    std::vector<std::uint16_t> flipped(64 * 64);
    for (int i = 0; i < 3; ++i) EXPECT_NO_THROW(flipChannel(scan, Diagonal::opposite, flipped.data(), scan.channels[1].samples.data));
    EXPECT_EQ(flipped, reflectedPatternImage(1, 64, 64, false));
    bool ran = false;
    EXPECT_TRUE(scan.inputFile().readGuarded([&] { ran = true; }));
    EXPECT_TRUE(ran);
}

#if !defined(_WIN32)
// Splits four inputs on four threads at once, each flipped, each cut short once all four are
// loaded, so that their guarded reads overlap; gives each run's last message.
std::vector<std::string> splitFourCutShortAtOnce(const fs::path& folder) {
    constexpr int count = 4;
    std::barrier allCutShort(count);
    std::vector<std::string> messages(count);
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) {
        const fs::path input = ScanBuilder::scan(400, 300).write(folder / ("scan" + std::to_string(i) + ".tif"));
        threads.emplace_back([&allCutShort, &messages, i, input] {
            RecordingHost host;
            RecordingPlatform platform(host);
            host.inputs = {input.string()};
            host.options.flip = true;
            host.options.mainDiagonal = i % 2 == 0;
            host.onPosition = [&](int pos) {
                if (pos != 2) return;
                fs::resize_file(input, 4096);
                allCutShort.arrive_and_wait();
            };
            host.onMessage = [&](const std::string& text) { messages[static_cast<std::size_t>(i)] = text; };
            SplitRun(host, platform);
        });
    }
    for (std::thread& thread : threads) thread.join();
    return messages;
}

// Reads a page that its file no longer has, outside any guard.
void busErrorOutsideEveryGuard(const fs::path& file) {
    writeFile(file, std::vector<std::uint8_t>(2 * 4096, 1));
    const int descriptor = ::open(file.c_str(), O_RDONLY);
    void* view = ::mmap(nullptr, 2 * 4096, PROT_READ, MAP_PRIVATE, descriptor, 0);
    fs::resize_file(file, 0);
    std::printf("%d\n", static_cast<const volatile std::uint8_t*>(view)[4096]);
}

// How SIGBUS is handled now (by the system, or by a sanitizer's handler).
void* busErrorHandling() {
    struct sigaction now {};
    ::sigaction(SIGBUS, nullptr, &now);
    return (now.sa_flags & SA_SIGINFO) != 0 ? reinterpret_cast<void*>(now.sa_sigaction)
                                            : reinterpret_cast<void*>(now.sa_handler);
}

TEST(ChangedInput, FourThreadsCutShortAtOnceEachGetTheirOwnMessage) {
    TemporaryFolder folder;
    void* const before = busErrorHandling();
    const std::vector<std::string> messages = splitFourCutShortAtOnce(folder.path());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(messages[static_cast<std::size_t>(i)],
                  (folder / ("scan" + std::to_string(i) + ".tif")).string() +
                      " : This file was changed by another program while it was being split");
    }
    EXPECT_EQ(busErrorHandling(), before) << "the guard's handler outlived the reads";
}

// Four guarded reads under way at once, each on its own thread and mapping, each then reading
// a page its file no longer has: each ends its own read only.
TEST(ChangedInput, GuardedReadsOnFourThreadsAtOnceEachTakeTheirOwnFault) {
    TemporaryFolder folder;
    std::barrier allGuarded(4);
    std::vector<int> results(4, -1);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            const fs::path file = folder / ("mapped" + std::to_string(i));
            writeFile(file, std::vector<std::uint8_t>(2 * 4096, 1));
            MappedFile mapped;
            std::uint64_t length = 0;
            if (mapped.openForReading(file.string()) != 0 || mapped.queryLength(length) != 0 || mapped.mapWhole(length) != 0)
                return;
            fs::resize_file(file, 0);
            results[i] = mapped.readGuarded([&] {
                allGuarded.arrive_and_wait();
                results[i] = static_cast<const volatile std::uint8_t*>(mapped.view())[4096];
            });
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(results, std::vector<int>(4, 0)) << "each read ends early and gives false";
}

// An exception from the guarded read goes on to the caller and takes the guard away with it.
TEST(ChangedInput, ExceptionFromAGuardedReadPutsTheEarlierHandlingBack) {
    TemporaryFolder folder;
    const fs::path input = ScanBuilder::scan(64, 64).write(folder / "scan.tif");
    ScanImage scan;
    scan.open(input.string());
    void* const before = busErrorHandling();
    EXPECT_THROW(scan.inputFile().readGuarded([] { throw std::runtime_error("read failed"); }), std::runtime_error);
    EXPECT_EQ(busErrorHandling(), before);
}

// After guarded reads on several threads, a bus error outside them ends the process as the
// system ends it, instead of being taken for one of them or going round in the handler.
TEST(ChangedInputDeathTest, BusErrorAfterGuardedReadsOnSeveralThreadsEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TemporaryFolder folder;
    EXPECT_EXIT(
        {
            std::signal(SIGBUS, SIG_DFL);  // the system's own ending, also under a sanitizer
            splitFourCutShortAtOnce(folder.path());
            busErrorOutsideEveryGuard(folder / "other.bin");
        },
        ::testing::KilledBySignal(SIGBUS), "");
}

// The disk fills, and then the folder the output is named relative to disappears, so that the
// full path for the message cannot be had: looking for it fails with "not found". The message
// still says what happened to the write.
const char* removedFolder = nullptr;

ssize_t fullDiskInVanishingFolder(int, const void*, std::size_t) {
    for (const auto& entry : fs::directory_iterator(removedFolder)) fs::remove(entry.path());
    ::rmdir(removedFolder);
    errno = ENOSPC;
    return -1;
}

TEST(ChangedInput, DiskFullIsReportedAsSuchWhateverHappensAfterIt) {
    TemporaryFolder home;
    const fs::path input = ScanBuilder::scan(5, 3).write(home / "scan.tif");
    const fs::path outputs = home / "outputs";
    fs::create_directory(outputs);
    const std::string start = currentDirectory();
    ASSERT_TRUE(changeDirectory(outputs.string()));
    const std::string folderText = outputs.string();
    removedFolder = folderText.c_str();

    ScanImage scan;
    ChannelWriter writer(scan);
    scan.open(input.string());
    scan.parse();
    FileSystemCalls calls = systemFileSystemCalls();
    calls.write = fullDiskInVanishingFolder;
    std::string message;
    {
        const ReplacedFileSystemCalls failing(calls);
        try {
            writer.writeChannel("Red.tif", 0);
        } catch (const UserException& failure) {
            message = failure.message;
        }
    }
    changeDirectory(start);
    EXPECT_EQ(message, "Red.tif : Disk full while accessing Red.tif.");
}
#endif

}  // namespace
}  // namespace quillane

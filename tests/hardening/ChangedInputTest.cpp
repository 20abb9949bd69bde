// An input that another program changes under a split: cut short after it was loaded, while a
// flip or the writer reads its pixels from the mapping. The entry fails with a message that names
// the input, the run ends as for any failure, and no output file is left behind. And a failure
// whose error number is read only after other calls still reports its own cause.
#include "platform/FileSystemCalls.h"
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
    for (int i = 0; i < 3; ++i) EXPECT_NO_THROW(scan.flipOppositeDiagonal(flipped.data(), scan.channels[1].samples.data));
    EXPECT_EQ(flipped, reflectedPatternImage(1, 64, 64, false));
    bool ran = false;
    EXPECT_TRUE(scan.inputFile().readGuarded([&] { ran = true; }));
    EXPECT_TRUE(ran);
}

#if !defined(_WIN32)
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
    scan.open(input.string());
    scan.parse();
    FileSystemCalls calls = systemFileSystemCalls();
    calls.write = fullDiskInVanishingFolder;
    std::string message;
    {
        const ReplacedFileSystemCalls failing(calls);
        try {
            scan.writeChannel("Red.tif", 0);
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

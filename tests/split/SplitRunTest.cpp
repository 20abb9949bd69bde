#include "platform/Process.h"
#include "scan/ScanImage.h"
#include "split/FailingArrayAllocation.h"
#include "split/RecordingHost.h"
#include "split/SplitRun.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

constexpr const char* failureCaption = "Cannot Split this tiff";

class SplitRunTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    RecordingHost host;
    RecordingPlatform platform{host};
    const std::string startDirectory = currentDirectory();

    void TearDown() override {
        allowArrayAllocations();
        changeDirectory(startDirectory);
    }

    std::string input(const std::string& name, const ScanBuilder& builder) {
        const std::string path = (folder / name).string();
        builder.write(path);
        host.inputs.push_back(path);
        return path;
    }
    fs::path beside(const std::string& name) const { return folder / name; }

    // What one entry that splits cleanly asks of the host and the platform.
    static std::vector<std::string> splitEntry(int i, const std::string& path) {
        std::vector<std::string> calls = {"inputCount", "inputPath " + std::to_string(i), "selectInput " + std::to_string(i),
                                          "beginWait", "status Splitting:  " + path, "redraw", "range 0 10"};
        for (int position = 1; position <= 10; ++position) calls.push_back("position " + std::to_string(position));
        calls.insert(calls.end(), {"pause 2000", "endWait"});
        return calls;
    }
    static std::vector<std::string> successfulEnd() {
        return {"inputCount", "message Done!: Successfully created files ", "position 0", "status ", "redraw"};
    }
    // How an entry that fails after `lastPosition` ends the run.
    static std::vector<std::string> failedEntry(int i, const std::string& path, int lastPosition, const std::string& text) {
        std::vector<std::string> calls = {"inputCount", "inputPath " + std::to_string(i), "selectInput " + std::to_string(i),
                                          "beginWait", "status Splitting:  " + path, "redraw", "range 0 10"};
        for (int position = 1; position <= lastPosition; ++position) calls.push_back("position " + std::to_string(position));
        calls.insert(calls.end(), {"endWait", "position 0", std::string("message ") + failureCaption + ": " + text});
        return calls;
    }

    template <class... Parts>
    static std::vector<std::string> joined(const std::vector<std::string>& first, const Parts&... rest) {
        std::vector<std::string> all = first;
        (all.insert(all.end(), rest.begin(), rest.end()), ...);
        return all;
    }
};

TEST_F(SplitRunTest, EmptyListReadsTheOptionsAndDoesNothingElse) {
    host.options.outputFolder = (folder / "missing").string();
    SplitRun(host, platform);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"readOptions", "inputCount"}));
}

TEST_F(SplitRunTest, OneFileWithoutFlipMakesTheWholeSequenceAndBothFiles) {
    const std::string path = input("slide01.tif", ScanBuilder::scan(5, 3));
    SplitRun(host, platform);

    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount"}, splitEntry(0, path), successfulEnd()));
    const TiffReadBack red = readTiff(beside("Redslide01.tif"));
    const TiffReadBack green = readTiff(beside("Greenslide01.tif"));
    EXPECT_EQ(red.width, 5u);
    EXPECT_EQ(red.height, 3u);
    EXPECT_EQ(red.pixels, patternImage(0, 5, 3));
    EXPECT_EQ(green.pixels, patternImage(1, 5, 3));
}

TEST_F(SplitRunTest, RefusedOutputFolderIsReportedAndTheDirectoryPutBack) {
    const std::string path = input("slide01.tif", ScanBuilder::scan(5, 3));
    const std::string missing = (folder / "no" / "folder").string();
    host.options.outputFolder = missing;
    SplitRun(host, platform);

    EXPECT_EQ(host.calls, (std::vector<std::string>{
                              "readOptions", "inputCount", "currentDirectory", "changeDirectory " + missing,
                              std::string("message ") + failureCaption + ": The Output path (" + missing +
                                  ") is not a valid path. Please correct this and try again",
                              "changeDirectory " + startDirectory}));
    EXPECT_EQ(currentDirectory(), startDirectory);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST_F(SplitRunTest, OutputFolderIsEnteredOnceAndRelativeToTheUnchangedDirectory) {
    fs::create_directory(folder / "out");
    ASSERT_TRUE(changeDirectory(folder.path().string()));
    const std::string here = currentDirectory();
    const std::string first = input("a.tif", ScanBuilder::scan(5, 3));
    const std::string second = input("b.tif", ScanBuilder::scan(4, 2));
    host.options.outputFolder = "out";
    host.options.flip = true;
    host.options.mainDiagonal = true;
    SplitRun(host, platform);

    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount", "currentDirectory", "changeDirectory out", "changeDirectory " + here},
                                 splitEntry(0, first), splitEntry(1, second), successfulEnd()));
    EXPECT_EQ(currentDirectory(), here);
    for (const char* name : {"Reda_FlippedLLtoUR.tif", "Greena_FlippedLLtoUR.tif", "Redb_FlippedLLtoUR.tif", "Greenb_FlippedLLtoUR.tif"}) {
        EXPECT_TRUE(fs::exists(folder / "out" / name)) << name;
        EXPECT_FALSE(fs::exists(beside(name))) << name;
    }
}

TEST_F(SplitRunTest, FilesGoBesideTheInputsWithWriteBackOrWithoutAFolder) {
    struct Case {
        const char* what;
        bool writeBack;
        std::string outputFolder;
    };
    const Case cases[] = {{"write-back with a missing folder", true, (folder / "missing").string()}, {"empty folder", false, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingHost caseHost;
        RecordingPlatform casePlatform(caseHost);
        const std::string path = (folder / "slide01.tif").string();
        ScanBuilder::scan(5, 3).write(path);
        caseHost.inputs = {path};
        caseHost.options.writeBack = c.writeBack;
        caseHost.options.outputFolder = c.outputFolder;
        SplitRun(caseHost, casePlatform);

        EXPECT_EQ(caseHost.calls, joined({"readOptions", "inputCount"}, splitEntry(0, path), successfulEnd()));
        EXPECT_TRUE(fs::exists(beside("Redslide01.tif")));
        EXPECT_TRUE(fs::exists(beside("Greenslide01.tif")));
        EXPECT_FALSE(fs::exists(folder / "missing"));
        fs::remove(beside("Redslide01.tif"));
        fs::remove(beside("Greenslide01.tif"));
    }
}

// Folders whose paths are longer than a name may be, named in another script and in bytes that
// are no UTF-8: a scan is split beside itself and into another such folder, and its outputs
// land there, not in an ancestor.
TEST_F(SplitRunTest, FoldersOfThreeHundredAndThreeThousandCharactersKeepTheirOutputs) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows' 8-bit paths end at MAX_PATH; the Windows tests write up to that limit";
#else
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC";  // two characters in UTF-8
    for (const std::size_t length : {300u, 3000u}) {
        SCOPED_TRACE(length);
        fs::path in = folder / ("in" + std::to_string(length));
        fs::path out = folder / ("out" + std::to_string(length));
        for (int level = 0; in.string().size() < length; ++level) {
            const std::string name = level % 2 == 0 ? std::string(90, 'd') + japanese : std::string(90, 'e') + "\xFF\xFE";
            in /= name;
            out /= name;
        }
        fs::create_directories(in);
        fs::create_directories(out);
        const std::string path = (in / "slide01.tif").string();
        ScanBuilder::scan(5, 3).write(path);
        for (const bool writeBack : {true, false}) {
            RecordingHost caseHost;
            RecordingPlatform casePlatform(caseHost);
            caseHost.inputs = {path};
            caseHost.options.writeBack = writeBack;
            caseHost.options.outputFolder = out.string();
            SplitRun(caseHost, casePlatform);
            EXPECT_EQ(caseHost.calls.back(), "redraw") << "the run did not succeed";
            const fs::path written = writeBack ? in : out;
            std::vector<std::string> expected = {"Greenslide01.tif", "Redslide01.tif"};
            if (writeBack) expected.push_back("slide01.tif");
            EXPECT_EQ(namesIn(written), expected);
            EXPECT_EQ(namesIn(written.parent_path()), std::vector<std::string>{written.filename().string()});
        }
    }
#endif
}

TEST_F(SplitRunTest, FirstFailureEndsTheRunAndLeavesEarlierFiles) {
    const std::string good = input("a.tif", ScanBuilder::scan(5, 3));
    const std::string bad = (folder / "b.tif").string();
    writeFile(bad, {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0});
    host.inputs.push_back(bad);
    input("c.tif", ScanBuilder::scan(5, 3));
    const std::string refusal = bad + " : Header information in this file doesn't match a tiff file";
    SplitRun(host, platform);

    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount"}, splitEntry(0, good), failedEntry(1, bad, 1, refusal)));
    EXPECT_TRUE(fs::exists(beside("Reda.tif")));
    EXPECT_TRUE(fs::exists(beside("Greena.tif")));
    for (const char* name : {"Redb.tif", "Greenb.tif", "Redc.tif", "Greenc.tif"}) EXPECT_FALSE(fs::exists(beside(name))) << name;
    EXPECT_FALSE(host.called("inputPath 2"));
}

TEST_F(SplitRunTest, FlipsEveryChannelAndExchangesWidthAndHeight) {
    struct Case {
        const char* what;
        bool mainDiagonal;
        const char* suffix;
        bool oddPixelOffsets;
        int directories;
        int recordChannels;
    };
    const Case cases[] = {
        {"main diagonal", true, "_FlippedLLtoUR", false, 2, 2},
        {"opposite diagonal, samples at odd addresses", false, "_FlippedULtoLR", true, 2, 2},
        // The record claims more channels than a scan can hold; only four are read and flipped.
        {"record claims five channels", true, "_FlippedLLtoUR", false, 4, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingHost caseHost;
        RecordingPlatform casePlatform(caseHost);
        ScanBuilder builder = ScanBuilder::scan(5, 3, c.directories);
        builder.oddPixelOffsets = c.oddPixelOffsets;
        builder.recordChannelCount(c.recordChannels);
        builder.pixelSize(5.0, 10.0);
        const std::string path = (folder / "slide01.tif").string();
        builder.write(path);
        caseHost.inputs = {path};
        caseHost.options.flip = true;
        caseHost.options.mainDiagonal = c.mainDiagonal;
        SplitRun(caseHost, casePlatform);

        EXPECT_EQ(caseHost.calls, joined({"readOptions", "inputCount"}, splitEntry(0, path), successfulEnd()));
        const fs::path redName = beside(std::string("Redslide01") + c.suffix + ".tif");
        const fs::path greenName = beside(std::string("Greenslide01") + c.suffix + ".tif");
        const TiffReadBack red = readTiff(redName);
        const TiffReadBack green = readTiff(greenName);
        EXPECT_EQ(red.width, 3u);
        EXPECT_EQ(red.height, 5u);
        EXPECT_EQ(green.width, 3u);
        EXPECT_EQ(green.height, 5u);
        EXPECT_EQ(red.pixels, reflectedPatternImage(0, 5, 3, c.mainDiagonal));
        EXPECT_EQ(green.pixels, reflectedPatternImage(1, 5, 3, c.mainDiagonal));
        // Rows now run down the input's 10 µm columns: 1000 pixels per cm across, 2000 down.
        for (const TiffReadBack* file : {&red, &green}) {
            EXPECT_FLOAT_EQ(file->xResolution, 1000);
            EXPECT_FLOAT_EQ(file->yResolution, 2000);
        }
        EXPECT_FALSE(fs::exists(beside("Redslide01.tif")));
        fs::remove(redName);
        fs::remove(greenName);
    }
}

TEST_F(SplitRunTest, RedFileHoldsChannelZeroWhateverColoursTheRecordGives) {
    input("slide01.tif", ScanBuilder::scan(5, 3).colour(0, 1).colour(1, 0));
    SplitRun(host, platform);

    EXPECT_EQ(readTiff(beside("Redslide01.tif")).pixels, patternImage(0, 5, 3));
    EXPECT_EQ(readTiff(beside("Greenslide01.tif")).pixels, patternImage(1, 5, 3));
}

TEST_F(SplitRunTest, SamePathTwiceIsSplitTwiceAndRewritten) {
    const std::string path = input("slide01.tif", ScanBuilder::scan(5, 3));
    host.inputs.push_back(path);
    // Spoil the first pass's files before the second pass: it must write them anew.
    host.onSelect = [&](int i) {
        if (i != 1) return;
        writeFile(beside("Redslide01.tif"), {'x'});
        writeFile(beside("Greenslide01.tif"), {'x'});
    };
    SplitRun(host, platform);

    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount"}, splitEntry(0, path), splitEntry(1, path), successfulEnd()));
    EXPECT_EQ(readTiff(beside("Redslide01.tif")).pixels, patternImage(0, 5, 3));
    EXPECT_EQ(readTiff(beside("Greenslide01.tif")).pixels, patternImage(1, 5, 3));
}

TEST_F(SplitRunTest, ScanWithFewerThanTwoChannelsIsRefusedBeforeAnyFlipOrFile) {
    for (const int channels : {1, 0, -1}) {
        SCOPED_TRACE(channels);
        RecordingHost caseHost;
        RecordingPlatform casePlatform(caseHost);
        const std::string path = (folder / "single.tif").string();
        ScanBuilder::scan(5, 3, 1).recordChannelCount(channels).write(path);
        caseHost.inputs = {path};
        caseHost.options.flip = true;
        caseHost.options.mainDiagonal = true;
        bool inputReleased = false;
        caseHost.onMessage = [&](const std::string&) { inputReleased = !processHolds(path); };
        SplitRun(caseHost, casePlatform);

        EXPECT_EQ(caseHost.calls,
                  joined({"readOptions", "inputCount"},
                         failedEntry(0, path, 2, path + " : This file holds fewer than two channels and cannot be split")));
        EXPECT_TRUE(inputReleased) << "the scan must be gone before the message shows";
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    }
}

TEST_F(SplitRunTest, AllocationFailureDuringAFlipIsAnUnknownFailure) {
    // A scan of 13 × 7 samples: its flip buffers are 182 bytes, a size nothing else asks for.
    // The second channel's buffer fails, after the first channel already holds its flipped copy.
    const std::string path = input("slide01.tif", ScanBuilder::scan(13, 7));
    host.options.flip = true;
    bool inputReleased = false;
    host.onMessage = [&](const std::string&) { inputReleased = !processHolds(path); };
    {
        ScanImage probe;
        probe.open(path);
        ASSERT_TRUE(processHolds(path)) << "the probe must see an open scan";
    }
    failArrayAllocation(13 * 7 * 2, 1);
    SplitRun(host, platform);

    EXPECT_TRUE(arrayAllocationFailed());
    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount"},
                                 failedEntry(0, path, 2, "An Unknown Exception occurred - please try again")));
    EXPECT_TRUE(inputReleased);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(SystemPlatform, FindsAndReentersADirectoryDeeperThanAFixedBuffer) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows process's current directory is never longer than MAX_PATH";
#endif
    TemporaryFolder folder;
    fs::path deep = folder.path();
    for (int level = 0; level < 12; ++level) deep /= std::string(40, static_cast<char>('a' + level));
    fs::create_directories(deep);
    const std::string start = currentDirectory();
    SplitPlatform& platform = systemSplitPlatform();

    ASSERT_TRUE(platform.changeDirectory(deep.string()));
    const std::string found = platform.currentDirectory();
    EXPECT_GT(found.size(), 480u);
    EXPECT_EQ(fs::path(found), fs::canonical(deep));
    EXPECT_FALSE(platform.changeDirectory((deep / "missing").string()));
    EXPECT_FALSE(platform.changeDirectory(""));
    ASSERT_TRUE(platform.changeDirectory(start));
    EXPECT_EQ(platform.currentDirectory(), start);
}

}  // namespace
}  // namespace quillane

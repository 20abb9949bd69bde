#include "platform/Process.h"
#include "preview/ScanPreview.h"
#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "split/FailingArrayAllocation.h"
#include "split/RecordingHost.h"
#include "split/SplitRun.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        std::vector<std::string> calls = {"selectInput " + std::to_string(i), "beginWait", "status Splitting:  " + path,
                                          "redraw", "range 0 10"};
        for (int position = 1; position <= 10; ++position) calls.push_back("position " + std::to_string(position));
        calls.insert(calls.end(), {"pause 2000", "endWait"});
        return calls;
    }
    static std::vector<std::string> successfulEnd() {
        return {"message Done!: Successfully created files ", "position 0", "status ", "redraw"};
    }
    // How an entry that fails after `lastPosition` ends the run.
    static std::vector<std::string> failedEntry(int i, const std::string& path, int lastPosition, const std::string& text) {
        std::vector<std::string> calls = {"selectInput " + std::to_string(i), "beginWait", "status Splitting:  " + path,
                                          "redraw", "range 0 10"};
        for (int position = 1; position <= lastPosition; ++position) calls.push_back("position " + std::to_string(position));
        calls.insert(calls.end(), {"endWait", "position 0", std::string("message ") + failureCaption + ": " + text});
        return calls;
    }

    // The run reads the whole list once, before it splits anything.
    static std::vector<std::string> listRead(int count) {
        std::vector<std::string> calls;
        for (int i = 0; i < count; ++i) calls.push_back("inputPath " + std::to_string(i));
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

    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount"}, listRead(1), splitEntry(0, path), successfulEnd()));
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
                                 listRead(2), splitEntry(0, first), splitEntry(1, second), successfulEnd()));
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

        EXPECT_EQ(caseHost.calls, joined({"readOptions", "inputCount"}, listRead(1), splitEntry(0, path), successfulEnd()));
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

    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount"}, listRead(3), splitEntry(0, good), failedEntry(1, bad, 1, refusal)));
    EXPECT_TRUE(fs::exists(beside("Reda.tif")));
    EXPECT_TRUE(fs::exists(beside("Greena.tif")));
    for (const char* name : {"Redb.tif", "Greenb.tif", "Redc.tif", "Greenc.tif"}) EXPECT_FALSE(fs::exists(beside(name))) << name;
    EXPECT_FALSE(host.called("selectInput 2"));
}

// Closing the window asks the run to stop: the file under way is finished, the next not begun.
TEST_F(SplitRunTest, StopRequestEndsTheRunAfterTheCurrentFileWithoutItsMessage) {
    const std::string first = input("a.tif", ScanBuilder::scan(5, 3));
    input("b.tif", ScanBuilder::scan(5, 3));
    host.stop = [&] { return host.called("pause 2000"); };
    const SplitOutcome outcome = SplitRun(host, platform);

    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount"}, listRead(2), splitEntry(0, first)));
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_EQ(outcome.inputs[1].result, InputOutcome::Result::notReached);
    EXPECT_EQ(readTiff(beside("Reda.tif")).pixels, patternImage(0, 5, 3));
    EXPECT_EQ(readTiff(beside("Greena.tif")).pixels, patternImage(1, 5, 3));
    EXPECT_FALSE(fs::exists(beside("Redb.tif")));
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
        // The record claims more channels than a scan can hold; the two written are flipped.
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

        EXPECT_EQ(caseHost.calls, joined({"readOptions", "inputCount"}, listRead(1), splitEntry(0, path), successfulEnd()));
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

std::vector<fs::path> everythingIn(const fs::path& top) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(top)) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Every output path is worked out before anything is written. A file listed twice, however it
// is spelt, is split once; when two inputs would write one file, or a file would replace an
// input of the run, nothing at all is split and the message names both inputs.
TEST_F(SplitRunTest, WorksOutEveryOutputBeforeWriting) {
    using Result = InputOutcome::Result;
    const bool namesIgnoreCase = nativePathStyle == PathStyle::windows;
    fs::create_directories(folder / "d1" / "sub");
    fs::create_directories(folder / "d2");
    fs::create_directories(folder / "out");
    for (const char* name : {"d1/x.tif", "d2/x.tif", "d2/X.tif", "out/Redx.tif", "d1/y.tif"}) {
        if (!fs::exists(folder / name)) ScanBuilder::scan(5, 3).write(folder / name);
    }
    const auto at = [&](const char* name) { return (folder / name).make_preferred().string(); };
    const std::string out = at("out");
    const std::string intoOut = at("out") + (namesIgnoreCase ? "\\" : "/");
    struct Case {
        const char* what;
        std::vector<std::string> inputs;
        std::string outputFolder;
        std::vector<Result> results;
        std::string message;  // the failure shown, empty for success
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {"the same path twice", {at("d1/x.tif"), at("d1/y.tif"), at("d1/x.tif")}, "",
         {Result::written, Result::written, Result::repeated}, "",
         {"d1/Redx.tif", "d1/Greenx.tif", "d1/Redy.tif", "d1/Greeny.tif"}},
        {"one file spelt two ways", {at("d1/x.tif"), at("d1/sub/../x.tif")}, out,
         {Result::written, Result::repeated}, "", {"out/Redx.tif", "out/Greenx.tif"}},
        {"same names from two folders, beside each", {at("d1/x.tif"), at("d2/x.tif")}, "",
         {Result::written, Result::written}, "", {"d1/Redx.tif", "d2/Redx.tif"}},
        {"same names from two folders, into one", {at("d1/y.tif"), at("d1/x.tif"), at("d2/x.tif")}, out,
         {Result::notReached, Result::notReached, Result::failed},
         at("d2/x.tif") + " : Its channel file " + intoOut + "Redx.tif would also be written for " + at("d1/x.tif") +
             ". Split them into different output folders",
         {}},
        {"an output over another input", {at("d1/x.tif"), at("out/Redx.tif")}, out,
         {Result::failed, Result::notReached},
         at("d1/x.tif") + " : Its channel file " + intoOut + "Redx.tif would replace " + at("out/Redx.tif") +
             ", which is also to be split",
         {}},
        {"names that differ in case", {at("d1/x.tif"), at("d2/X.tif")}, out,
         {namesIgnoreCase ? Result::notReached : Result::written, namesIgnoreCase ? Result::failed : Result::written},
         namesIgnoreCase ? at("d2/X.tif") + " : Its channel file " + intoOut + "RedX.tif would also be written for " +
                               at("d1/x.tif") + ". Split them into different output folders"
                         : "",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingHost caseHost;
        RecordingPlatform casePlatform(caseHost);
        caseHost.inputs = c.inputs;
        caseHost.options.outputFolder = c.outputFolder;
        const std::vector<fs::path> before = everythingIn(folder.path());

        const SplitOutcome outcome = SplitRun(caseHost, casePlatform);

        ASSERT_EQ(outcome.inputs.size(), c.results.size());
        for (std::size_t i = 0; i < c.results.size(); ++i) {
            EXPECT_EQ(outcome.inputs[i].result, c.results[i]) << i;
            EXPECT_EQ(outcome.inputs[i].input, c.inputs[i]);
        }
        EXPECT_EQ(outcome.failure, c.message);
        EXPECT_EQ(outcome.succeeded(), c.message.empty());
        if (c.message.empty()) {
            EXPECT_TRUE(caseHost.called("message Done!: Successfully created files "));
            for (const std::string& name : c.written) EXPECT_TRUE(fs::exists(folder / name)) << name;
        } else {
            // Refused before anything was taken up: the message, and not one file more.
            EXPECT_EQ(caseHost.callsFrom("inputPath 0").back(), std::string("message ") + failureCaption + ": " + c.message);
            EXPECT_FALSE(caseHost.called("selectInput 0"));
            EXPECT_EQ(everythingIn(folder.path()), before);
        }
        for (const char* name : {"d1/Redx.tif", "d1/Greenx.tif", "d1/Redy.tif", "d1/Greeny.tif", "d2/Redx.tif",
                                 "d2/Greenx.tif", "d2/RedX.tif", "d2/GreenX.tif", "out/Greenx.tif", "out/RedX.tif",
                                 "out/GreenX.tif", "out/Redy.tif", "out/Greeny.tif"}) {
            fs::remove(folder / name);
        }
    }
}

// A file is judged by what it is, not by its name: an output whose place holds a second name
// (a hard link) of the input is refused when it is about to take that place, and nothing changes.
TEST_F(SplitRunTest, OutputThatIsAnotherNameOfAnInputIsRefusedBeforeItIsNamed) {
    const std::string path = input("slide01.tif", ScanBuilder::scan(5, 3));
    fs::create_hard_link(path, beside("Greenslide01.tif"));
    const std::vector<fs::path> before = everythingIn(folder.path());
    const std::string green = beside("Greenslide01.tif").string();
#ifdef _WIN32
    // Windows refuses sooner: the input is open, and shares nothing with a writer.
    const std::string refusal = green + " : A sharing violation occurred while accessing " + green + ".";
    const int reached = 7;
#else
    const std::string refusal = path + " : Its channel file " + green + " would replace " + path + ", which is also to be split";
    const int reached = 9;
#endif

    const SplitOutcome outcome = SplitRun(host, platform);
    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount"}, listRead(1), failedEntry(0, path, reached, refusal)));
    EXPECT_TRUE(outcome.inputs[0].changed.empty());
    EXPECT_EQ(everythingIn(folder.path()), before);
    EXPECT_EQ(readTiff(beside("Greenslide01.tif")).pixels, patternImage(0, 5, 3)) << "the input is untouched";
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
                  joined({"readOptions", "inputCount"}, listRead(1),
                         failedEntry(0, path, 2, path + " : This file holds fewer than two channels and cannot be split")));
        EXPECT_TRUE(inputReleased) << "the scan must be gone before the message shows";
        std::string previewRefusal;
        try {
            previewScan(path, {});
        } catch (const UserException& failure) {
            previewRefusal = failure.message;
        }
        EXPECT_EQ(previewRefusal, path + " : This file holds fewer than two channels and cannot be split") << "nor previewed";
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    }
}

TEST_F(SplitRunTest, AllocationFailureDuringAFlipIsAnUnknownFailure) {
    // A scan of 13 × 7 samples: the flip's band buffer holds all of it, 182 bytes, a size nothing
    // else asks for. It is taken before either channel is written, and fails.
    const std::string path = input("slide01.tif", ScanBuilder::scan(13, 7));
    host.options.flip = true;
    bool inputReleased = false;
    host.onMessage = [&](const std::string&) { inputReleased = !processHolds(path); };
    {
        ScanImage probe;
        probe.open(path);
        ASSERT_TRUE(processHolds(path)) << "the probe must see an open scan";
    }
    failArrayAllocation(13 * 7 * 2);
    SplitRun(host, platform);

    EXPECT_TRUE(arrayAllocationFailed());
    EXPECT_EQ(host.calls, joined({"readOptions", "inputCount"}, listRead(1),
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

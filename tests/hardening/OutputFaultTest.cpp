// Every step of writing a channel file made to fail in turn, through the writer and through a
// whole split run: the message names the file the way its step requires, no temporary stays,
// an output already in place is left as it was, nothing stays open, and the run releases its
// input before it shows the message.
#include "hardening/FaultyFileSystem.h"
#include "output/ChannelWriter.h"
#include "platform/FileError.h"
#include "platform/OutputFile.h"
#include "platform/OutputSignals.h"
#include "platform/Process.h"
#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "split/RecordingHost.h"
#include "split/SplitRun.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"
#include "support/TiffReadBack.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

// One step of writing a file, made to fail. Creating the file and putting it in place name the
// output as it was given; the steps in between name the file by its full path.
struct Step {
    const char* what;
    std::vector<Fault> faults;  // occurrences counted within one file
    bool namedAsGiven;
    std::string text;           // the file layer's text, "%1" standing for the name
};

const std::vector<Step>& steps() {
    static const std::vector<Step> all = {
        {"create", {{FileCall::open, 1, failure::accessDenied}}, true, "Access to %1 was denied."},
        {"create without a free descriptor", {{FileCall::open, 1, failure::tooManyOpenFiles}}, true,
         "%1 could not be opened because there are too many open files."},
        {"seek to the start", {{FileCall::lseek, 1, failure::unknown}}, false, "An unknown error occurred while accessing %1."},
        {"header", {{FileCall::write, 1, failure::diskFull}}, false, "Disk full while accessing %1."},
        {"image directory", {{FileCall::write, 2, failure::hardwareFault}}, false, "A hardware I/O error was reported while accessing %1."},
        {"value area", {{FileCall::write, 3, failure::fileTooLarge}}, false, "Disk full while accessing %1."},
        {"pixels, the disk taking nothing", {{FileCall::write, 4, 0}}, false, "Disk full while accessing %1."},
        {"flush to disk", {{FileCall::fsync, 1, failure::hardwareFault}}, false, "A hardware I/O error was reported while accessing %1."},
#ifdef _WIN32
        {"keep the finished temporary", {{FileCall::link, 2, failure::accessDenied}}, true, "Access to %1 was denied."},
#else
        {"name the finished temporary", {{FileCall::link, 1, failure::hardwareFault}}, true, "A hardware I/O error was reported while accessing %1."},
        // On Windows the temporary is closed after it has its name, and a failure then loses nothing.
        {"close", {{FileCall::close, 1, failure::hardwareFault}}, false, "A hardware I/O error was reported while accessing %1."},
#endif
        {"rename over the output", {{FileCall::rename, 1, failure::accessDenied}}, true, "Access to %1 was denied."},
    };
    return all;
}

#ifndef _WIN32
// A process in a space of process numbers of its own where the system allows (as process 1, as in
// a container), writing an output into `folder` with a named temporary, as on a file system
// without unnamed files; ended, with its process group, when the object goes.
class Writer {
public:
    explicit Writer(const std::string& folder) {
        int ready[2] = {-1, -1};
        if (::pipe(ready) != 0) throw std::runtime_error("no pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            if (::unshare(CLONE_NEWPID) == 0 && ::fork() != 0) ::_exit(::wait(nullptr) > 0 ? 0 : 1);
            FaultyFileSystem named({}, false, true);
            OutputFile file(folder + "/Red.tif");
            (void)!::write(ready[1], "r", 1);
            for (;;) ::pause();
        }
        char byte = 0;
        if (::read(ready[0], &byte, 1) != 1) throw std::runtime_error("the writer did not start");
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~Writer() {
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

private:
    pid_t pid_ = -1;
};
#endif

std::string expectedMessage(const Step& step, const std::string& given, const std::string& full) {
    const std::string name = step.namedAsGiven ? given : full;
    std::string text = step.text;
    text.replace(text.find("%1"), 2, name);
    return name + " : " + text;
}

class OutputFault : public ::testing::Test {
protected:
    static constexpr std::uint32_t width = 7;
    static constexpr std::uint32_t height = 5;
    TemporaryFolder folder;
    const std::string startDirectory = currentDirectory();
    const std::vector<std::uint8_t> previous = std::vector<std::uint8_t>(100, 0x5A);

    // Outputs are named relative to the folder, so that a name as given and a full path differ.
    void SetUp() override { ASSERT_TRUE(changeDirectory(folder.path().string())); }
    void TearDown() override {
        changeDirectory(startDirectory);
        EXPECT_EQ(&fileSystemCalls(), &systemFileSystemCalls()) << "a replacement outlived its test";
    }

    std::string full(const std::string& name) const { return (fs::path(currentDirectory()) / name).string(); }

};

// On POSIX also with named temporaries, as on a file system without unnamed files.
#ifdef _WIN32
constexpr bool temporaryKinds[] = {false};
#else
constexpr bool temporaryKinds[] = {false, true};
#endif

TEST_F(OutputFault, EveryWriteStepThroughTheWriter) {
    for (const bool named : temporaryKinds)
    for (const Step& step : steps()) {
        if (named && step.faults[0].call == FileCall::link) continue;  // nothing to name
        SCOPED_TRACE(std::string(step.what) + (named ? ", named temporary" : ""));
        fs::create_directory("in");
        fs::create_directory("out");
        ASSERT_TRUE(changeDirectory("out"));
        ScanBuilder::scan(width, height).write("../in/scan.tif");
        writeFile("Red.tif", previous);
        const int openFiles = openFileMark();

        std::string message = "(written)";
        {
            ScanImage scan;
            ChannelWriter writer(scan);
            scan.open("../in/scan.tif");
            scan.parse();
            {
                FaultyFileSystem faulty(step.faults, false, named);
                try {
                    writer.writeChannel("Red.tif", 0);
                } catch (const UserException& failure) {
                    message = failure.message;
                }
                EXPECT_EQ(faulty.raised(), step.faults.size()) << "the step was never reached";
            }
            EXPECT_EQ(message, expectedMessage(step, "Red.tif", full("Red.tif")));
            EXPECT_EQ(namesIn("."), std::vector<std::string>{"Red.tif"}) << "no temporary may stay";
            EXPECT_EQ(readFile("Red.tif"), previous);
            // A file that was made stays in its slot until the writer lets go of it; one never made does not.
            EXPECT_EQ(writer.holdsFile(0), step.faults[0].call != FileCall::open);
            writer.abandonFiles();
            scan.close();
            EXPECT_FALSE(writer.holdsFile(0));
            EXPECT_FALSE(processHolds("../in/scan.tif"));
        }
        EXPECT_EQ(openFileMark(), openFiles) << "a descriptor was left open";
        EXPECT_EQ(namesIn("."), std::vector<std::string>{"Red.tif"});

        ASSERT_TRUE(changeDirectory(folder.path().string()));
        fs::remove_all("in");
        fs::remove_all("out");
    }
}

// A step of writing or naming one of an input's two files, made to fail during a split run
// that replaces both: which call of the run's (on each system), and what the message names.
struct PairStep {
    const char* what;
    Fault posix;
    Fault windows;
    bool second;  // the Green file's step, else the Red file's
    bool namedAsGiven;
    const char* text;
    int positions;  // the progress positions reached before the failure
};

TEST_F(OutputFault, EveryStepOfEitherFileThroughTheSplitRunLeavesBothEarlierFiles) {
    using F = FileCall;
    const char *denied = "Access to %1 was denied.", *diskFull = "Disk full while accessing %1.",
               *broken = "A hardware I/O error was reported while accessing %1.";
    const PairStep pairSteps[] = {
        {"create the first", {F::open, 1, failure::accessDenied}, {F::open, 1, failure::accessDenied}, false, true, denied, 5},
        {"its pixels", {F::write, 4, 0}, {F::write, 4, 0}, false, false, diskFull, 5},
        {"create the second", {F::open, 2, failure::accessDenied}, {F::open, 2, failure::accessDenied}, true, true, denied, 7},
        {"its pixels", {F::write, 8, 0}, {F::write, 8, 0}, true, false, diskFull, 7},
        {"flush the first", {F::fsync, 1, failure::hardwareFault}, {F::fsync, 1, failure::hardwareFault}, false, false, broken, 9},
        {"flush the second", {F::fsync, 2, failure::hardwareFault}, {F::fsync, 2, failure::hardwareFault}, true, false, broken, 9},
        {"set the first's old file aside", {F::link, 1, failure::hardwareFault}, {F::rename, 1, failure::hardwareFault}, false, true, broken, 9},
        {"name the first", {F::rename, 1, failure::accessDenied}, {F::rename, 2, failure::accessDenied}, false, true, denied, 9},
        {"name the second", {F::rename, 2, failure::accessDenied}, {F::rename, 3, failure::accessDenied}, true, true, denied, 9},
        {"keep the second", {F::close, 2, failure::hardwareFault}, {F::link, 4, failure::accessDenied}, true,
         nativePathStyle == PathStyle::windows, nativePathStyle == PathStyle::windows ? denied : broken, 9},
    };
    for (const bool secondFile : {false, true}) {
        for (const PairStep& step : pairSteps) {
            if (step.second != secondFile) continue;
            SCOPED_TRACE(std::string(step.what) + (secondFile ? ", second file" : ", first file"));
            const std::string input = "slide.tif";
            ScanBuilder::scan(width, height).write(input);
            writeFile("Redslide.tif", previous);
            writeFile("Greenslide.tif", previous);
            const std::string failing = secondFile ? "Greenslide.tif" : "Redslide.tif";
            const std::string expected = expectedMessage({step.what, {}, step.namedAsGiven, step.text}, failing, full(failing));
            const int openFiles = openFileMark();

            RecordingHost host;
            RecordingPlatform platform(host);
            host.inputs = {input};
            bool inputHeld = true;
            std::vector<std::string> namesAtMessage;
            host.onMessage = [&](const std::string&) {
                inputHeld = processHolds(input);
                namesAtMessage = namesIn(".");
            };
            {
                FaultyFileSystem faulty({nativePathStyle == PathStyle::windows ? step.windows : step.posix});
                EXPECT_TRUE(SplitRun(host, platform).inputs.at(0).changed.empty());
                EXPECT_EQ(faulty.raised(), 1u) << "the step was never reached";
            }

            // The run ends at once: bar at 0, the message under its caption, nothing after it.
            std::vector<std::string> ending = {"endWait", "position 0", "message Cannot Split this tiff: " + expected};
            const std::vector<std::string> calls = host.callsFrom("position 1");
            ASSERT_GE(calls.size(), 3u);
            EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()), ending);
            EXPECT_EQ(calls.size(), static_cast<std::size_t>(step.positions) + 3u) << "positions reached before the failure";
            EXPECT_FALSE(inputHeld) << "the input must be released before the message shows";

            const std::vector<std::string> names = {"Greenslide.tif", "Redslide.tif", "slide.tif"};
            EXPECT_EQ(namesAtMessage, names) << "no temporary may be left when the message shows";
            EXPECT_EQ(namesIn("."), names);
            EXPECT_EQ(readFile("Redslide.tif"), previous) << "both files change together or neither does";
            EXPECT_EQ(readFile("Greenslide.tif"), previous);
            EXPECT_EQ(openFileMark(), openFiles) << "a descriptor was left open";
            for (const std::string& name : names) fs::remove(name);
        }
    }
}

// A Red file that appears while the pair is written is put back when the Green one fails.
TEST_F(OutputFault, FirstFileThatAppearedMeanwhileIsPutBackWhenTheSecondFails) {
    OutputFile first("Redappeared.tif"), second("Greenappeared.tif");
    writeFile("Redappeared.tif", previous);
    fs::create_directory("Greenappeared.tif");
    std::vector<std::string> changed;
    EXPECT_THROW(commitTogether(first, second, changed), FileError);
    EXPECT_EQ(readFile("Redappeared.tif"), previous);
}

// What reaches the disk, in which order, for an output that is new and for one that replaces a
// file: the bytes, their flush, the name, and then what makes the name itself last (the folder's
// flush on POSIX; on Windows the renamed file flushed again, which commits the rename).
TEST_F(OutputFault, OrderOfCallsPutsTheBytesOnTheDiskBeforeTheNameAndTheNameAfter) {
    ScanBuilder::scan(width, height).write("scan.tif");
    ScanImage scan;
    ChannelWriter writer(scan);
    scan.open("scan.tif");
    scan.parse();
#ifdef _WIN32
    const std::vector<std::string> written = {"open named", "vanish", "seek", "write", "fsync", "keep", "rename", "fsync", "close"};
    const std::vector<std::string> expected[] = {written, written};
#else
    const std::vector<std::string> expected[] = {
        {"open unnamed", "seek", "write", "fsync", "link", "close", "open folder", "fsync", "close"},
        {"open unnamed", "seek", "write", "fsync", "link", "close", "rename", "open folder", "fsync", "close"},
    };
#endif
    for (const bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing a file" : "a new file");
        FaultyFileSystem recording({});
        writer.writeChannel("Red.tif", 0);
        EXPECT_EQ(recording.trace(), expected[replacing ? 1 : 0]);
    }
    EXPECT_EQ(readTiff("Red.tif").pixels, patternImage(0, width, height));
}

#ifndef _WIN32
// Where the system refuses to name an unnamed file (a security policy's link rule, some FUSE and
// network file systems), the file already written goes to a named temporary and the output is
// made all the same; that folder's next outputs get a named temporary from the start.
TEST_F(OutputFault, RefusedNameFallsBackToANamedTemporaryForTheFolder) {
    ScanBuilder::scan(width, height).write("scan.tif");
    ScanImage scan;
    ChannelWriter writer(scan);
    scan.open("scan.tif");
    scan.parse();
    for (const int refusal : {EPERM, EXDEV}) {
        SCOPED_TRACE(refusal);
        const std::string out = "out" + std::to_string(refusal);
        fs::create_directory(out);
        // Both ways of naming the descriptor (directly and through /proc) are refused.
        FaultyFileSystem refusing({{FileCall::link, 1, refusal}, {FileCall::link, 2, refusal}});
        writer.writeChannel(out + "/Red.tif", 0);
        writer.writeChannel(out + "/Green.tif", 1);
        const std::vector<std::string> trace = refusing.trace();
        EXPECT_EQ(std::count(trace.begin(), trace.end(), "open unnamed"), 1);
        EXPECT_EQ(readTiff(out + "/Red.tif").pixels, patternImage(0, width, height));
        EXPECT_EQ(readTiff(out + "/Green.tif").pixels, patternImage(1, width, height));
        EXPECT_EQ(namesIn(out), (std::vector<std::string>{"Green.tif", "Red.tif"}));
    }
}
#endif
// The host asks the run to stop while the first channel of the second file goes to a slow disk:
// the run ends there without a message, that file is abandoned (an output already in place stays
// as it was, no temporary is left), and the first file stays split.
TEST_F(OutputFault, StopAskedForWhileAChannelIsWrittenAbandonsTheFileWhole) {
    for (const auto& [named, stage] : {std::pair{false, 5}, std::pair{true, 5}, std::pair{false, 7}, std::pair{true, 7}}) {
        SCOPED_TRACE(std::string(named ? "named temporaries" : "unnamed temporaries") + ", stopped at " + std::to_string(stage));
        const TemporaryFolder here;
        ASSERT_TRUE(changeDirectory(here.path().string()));
        ScanBuilder::scan(width, height).write("a.tif");
        ScanBuilder::scan(256, 256).write("b.tif");  // a channel of 128 KiB: half a second at the pace below
        writeFile("Redb.tif", previous);
        const int openFiles = openFileMark();
        RecordingHost host;
        RecordingPlatform platform(host);
        host.inputs = {"a.tif", "b.tif"};
        const std::string stopAt = "position " + std::to_string(stage);  // the first channel's stage, or the second's
        host.stop = [&] { return std::ranges::count(host.callsFrom("selectInput 1"), stopAt) > 0; };
        SplitOutcome outcome;
        {
            FaultyFileSystem slow({}, false, named, std::size_t{256} << 10);
            outcome = SplitRun(host, platform);
        }
        EXPECT_TRUE(outcome.stopped);
        EXPECT_EQ(outcome.inputs[1].result, InputOutcome::Result::stopped);
        std::vector<std::string> calls = {"selectInput 1", "beginWait", "status Splitting:  b.tif", "redraw", "range 0 10"};
        for (int position = 1; position <= stage; ++position) calls.push_back("position " + std::to_string(position));
        calls.emplace_back("endWait");
        EXPECT_EQ(host.callsFrom("selectInput 1"), calls);
        EXPECT_EQ(readTiff("Reda.tif").pixels, patternImage(0, width, height));
        EXPECT_EQ(readTiff("Greena.tif").pixels, patternImage(1, width, height));
        EXPECT_EQ(readFile("Redb.tif"), previous);
        EXPECT_EQ(namesIn("."), (std::vector<std::string>{"Greena.tif", "Reda.tif", "Redb.tif", "a.tif", "b.tif"}));
        EXPECT_EQ(openFileMark(), openFiles) << "a descriptor was left open";
        ASSERT_TRUE(changeDirectory(folder.path().string()));
    }
}

TEST_F(OutputFault, ShortAndInterruptedWritesStillWriteTheWholeFile) {
    ScanBuilder::scan(width, height).write("scan.tif");
    ScanImage scan;
    ChannelWriter writer(scan);
    scan.open("scan.tif");
    scan.parse();
    writer.writeChannel("Plain.tif", 1);
    {
        FaultyFileSystem faulty({}, true);
        writer.writeChannel("Pieces.tif", 1);
        EXPECT_GT(faulty.calls(FileCall::write), 20);
    }
    EXPECT_EQ(readFile("Pieces.tif"), readFile("Plain.tif"));
}

// A named temporary whose removal fails: on POSIX one made on a file system without unnamed
// files, on Windows one whose delete disposition could not be set.
TEST_F(OutputFault, TemporaryThatCannotBeRemovedDoesNotHideTheFailureAndIsSweptLater) {
    ScanBuilder::scan(width, height).write("scan.tif");
    writeFile("Red.tif", previous);
    ScanImage scan;
    ChannelWriter writer(scan);
    scan.open("scan.tif");
    scan.parse();
    std::string message;
    {
#ifdef _WIN32
        const std::vector<Fault> faults = {{FileCall::link, 1, failure::unknown},
                                           {FileCall::write, 4, failure::diskFull},
                                           {FileCall::unlink, 1, failure::inUse}};
#else
        const std::vector<Fault> faults = {{FileCall::write, 4, failure::diskFull}, {FileCall::unlink, 1, failure::inUse}};
#endif
        FaultyFileSystem faulty(faults, false, true);
        try {
            writer.writeChannel("Red.tif", 0);
        } catch (const UserException& failure) {
            message = failure.message;
        }
        EXPECT_EQ(faulty.raised(), faults.size());
    }
    EXPECT_EQ(message, full("Red.tif") + " : Disk full while accessing " + full("Red.tif") + ".");
    EXPECT_EQ(readFile("Red.tif"), previous);
    // The hidden temporary is all that stays; the output is untouched.
    std::vector<std::string> names = namesIn(".");
    ASSERT_EQ(names.size(), 3u);
    const std::string left = names[0];
    ASSERT_EQ(left.rfind(".quillane-", 0), 0u) << left;

    // The next output made in a folder removes the temporaries no writer holds any more, and
    // only those: not one a live writer holds, whatever its process number, nor a name the
    // program never makes.
    fs::create_directory("later");
    writeFile("later/.quillane-notes.tmp", previous);
#ifdef _WIN32
    // Held as a writer holds it, sharing nothing.
    const HANDLE live = ::CreateFileA("later/.quillane-0123456789abcdef.tmp", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(live, INVALID_HANDLE_VALUE);
#else
    const Writer live("later");
#endif
    std::vector<std::string> expected = namesIn("later");
    // As a run ended by a kill (or the task manager, its delete disposition not set) leaves one.
    writeFile("later/.quillane-fedcba9876543210.tmp", previous);
    writer.writeChannel("later/Red.tif", 0);
    scan.close();
    expected.push_back("Red.tif");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn("later"), expected);
#ifdef _WIN32
    ::CloseHandle(live);
#endif
}

#ifndef _WIN32
// The calls of the fault seam, with a signal sent to the process (which may take it on any of
// its threads) as the `left`-th link or rename returns, and time for another thread to take it.
struct SignalAfterCalls {
    static inline const FileSystemCalls* calls = nullptr;
    static inline int left = 0, signal = 0;
    static int counted(int result) {
        if (--left == 0 && ::kill(::getpid(), signal) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return result;
    }
    static int rename(const char* from, const char* to) { return counted(calls->rename(from, to)); }
    static int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
        return counted(calls->linkat(fromFolder, from, toFolder, to, flags));
    }
};

// The signal handling both programs install: a signal that ends the program while named
// temporaries are written removes them first, puts back an earlier file set aside, or lets the
// pair take both names first, and the program still ends by that signal.
TEST_F(OutputFault, SignalsThatEndTheProgramRemoveItsNamedTemporariesFirstAndLeaveAWholePair) {
    // A forked child, which writes into this test's folder over an earlier pair.
    GTEST_FLAG_SET(death_test_style, "fast");
    const std::vector<std::uint8_t> written = {'n', 'e', 'w'};
    // The earlier Red is set aside by a link (where links are refused, moved by a rename), then
    // each file is named by a rename.
    const struct {
        const char* moment;
        bool withoutLinks;
        int callsBeforeSignal;  // 0: while the files are written
        bool newPair;
    } moments[] = {{"while written", false, 0, false},
                   {"once the earlier Red is set aside", false, 1, false},
                   {"once the earlier Red is moved aside", true, 2, false},
                   {"once Red has its name, which Green then takes too", false, 2, true},
                   {"once both have theirs", false, 3, true}};
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const auto& moment : moments) {
            SCOPED_TRACE(std::to_string(signal) + ", " + moment.moment);
            writeFile("Red.tif", previous);
            writeFile("Green.tif", previous);
            EXPECT_EXIT(
                {
                    undoUnfinishedOutputsOnSignals();
                    std::thread(::pause).detach();  // a thread the signal may come to instead
                    FaultyFileSystem named(moment.withoutLinks ? std::vector<Fault>{{FileCall::link, 1, EPERM}} : std::vector<Fault>{},
                                           false, true);
                    FileSystemCalls calls = fileSystemCalls();
                    SignalAfterCalls::calls = &fileSystemCalls();
                    SignalAfterCalls::left = moment.callsBeforeSignal;
                    SignalAfterCalls::signal = signal;
                    calls.rename = SignalAfterCalls::rename;
                    calls.linkat = SignalAfterCalls::linkat;
                    const ReplacedFileSystemCalls signalling(calls);
                    OutputFile first("Red.tif");
                    OutputFile second("Green.tif");
                    first.write(written.data(), written.size());
                    second.write(written.data(), written.size());
                    if (moment.callsBeforeSignal == 0) ::kill(::getpid(), signal);
                    std::vector<std::string> changed;
                    commitTogether(first, second, changed);
                    std::this_thread::sleep_for(std::chrono::seconds(10));  // while the other thread ends the program
                },
                ::testing::KilledBySignal(signal), "");
            EXPECT_EQ(namesIn("."), (std::vector<std::string>{"Green.tif", "Red.tif"})) << "a temporary outlived the signal";
            EXPECT_EQ(readFile("Red.tif"), moment.newPair ? written : previous) << "both files change together or neither does";
            EXPECT_EQ(readFile("Green.tif"), moment.newPair ? written : previous);
        }
    }
}
#endif

}  // namespace
}  // namespace quillane

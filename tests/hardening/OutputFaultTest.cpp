// Every step of writing a channel file made to fail in turn, through the writer and through a
// whole split run: the message names the file the way its step requires, no temporary stays,
// an output already in place is left as it was, nothing stays open, and the run releases its
// input before it shows the message.
#include "hardening/FaultyFileSystem.h"
#include "platform/OutputFile.h"
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
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
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
        {"keep the finished temporary", {{FileCall::link, 2, failure::accessDenied}}, false, "Access to %1 was denied."},
#else
        {"name the finished temporary", {{FileCall::link, 1, failure::accessDenied}}, true, "Access to %1 was denied."},
#endif
        {"close", {{FileCall::close, 1, failure::hardwareFault}}, false, "A hardware I/O error was reported while accessing %1."},
        {"rename over the output", {{FileCall::rename, 1, failure::accessDenied}}, true, "Access to %1 was denied."},
    };
    return all;
}

// A process other than this one, running for as long as the object lives.
class OtherProcess {
public:
#ifdef _WIN32
    OtherProcess() {
        char self[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, self, MAX_PATH);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!::CreateProcessA(self, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup, &info_))
            throw std::runtime_error("cannot start a process");
        id = info_.dwProcessId;
    }
    ~OtherProcess() {
        ::TerminateProcess(info_.hProcess, 0);
        ::WaitForSingleObject(info_.hProcess, INFINITE);
        ::CloseHandle(info_.hThread);
        ::CloseHandle(info_.hProcess);
    }
#else
    OtherProcess() : id(static_cast<std::uint32_t>(::fork())) {
        if (id == 0) {
            for (;;) ::pause();
        }
    }
    ~OtherProcess() {
        ::kill(static_cast<pid_t>(id), SIGKILL);
        ::waitpid(static_cast<pid_t>(id), nullptr, 0);
    }
#endif
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;
    std::uint32_t id = 0;

private:
#ifdef _WIN32
    PROCESS_INFORMATION info_{};
#endif
};

std::uint32_t goneProcess() { return OtherProcess().id; }

std::uint32_t processId() {
#ifdef _WIN32
    return ::GetCurrentProcessId();
#else
    return static_cast<std::uint32_t>(::getpid());
#endif
}

std::string expectedMessage(const Step& step, const std::string& given, const std::string& full) {
    const std::string name = step.namedAsGiven ? given : full;
    std::string text = step.text;
    text.replace(text.find("%1"), 2, name);
    return name + " : " + text;
}

// The same faults moved to the second file written under the plan, given the calls one file takes.
std::vector<Fault> inSecondFile(const std::vector<Fault>& faults, const int callsPerFile[fileCallKinds]) {
    std::vector<Fault> moved = faults;
    for (Fault& fault : moved) fault.occurrence += callsPerFile[static_cast<int>(fault.call)];
    return moved;
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

    // The calls of each kind that replacing one file takes when nothing fails.
    void countCallsPerFile(int counts[fileCallKinds]) {
        ScanBuilder::scan(width, height).write("probe.tif");
        writeFile("probe-out.tif", previous);
        ScanImage scan;
        scan.open("probe.tif");
        scan.parse();
        {
            FaultyFileSystem quiet({});
            scan.writeChannel("probe-out.tif", 0);
            for (int call = 0; call < fileCallKinds; ++call) counts[call] = quiet.calls(static_cast<FileCall>(call));
        }
        scan.close();
        fs::remove("probe.tif");
        fs::remove("probe-out.tif");
    }
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
            scan.open("../in/scan.tif");
            scan.parse();
            {
                FaultyFileSystem faulty(step.faults, false, named);
                try {
                    scan.writeChannel("Red.tif", 0);
                } catch (const UserException& failure) {
                    message = failure.message;
                }
                EXPECT_EQ(faulty.raised(), step.faults.size()) << "the step was never reached";
            }
            EXPECT_EQ(message, expectedMessage(step, "Red.tif", full("Red.tif")));
            EXPECT_EQ(namesIn("."), std::vector<std::string>{"Red.tif"}) << "no temporary may stay";
            EXPECT_EQ(readFile("Red.tif"), previous);
            // A file that was made stays in its slot until the scan is closed; one never made does not.
            EXPECT_EQ(static_cast<bool>(scan.outputFiles[0]), step.faults[0].call != FileCall::open);
            scan.close();
            EXPECT_FALSE(scan.outputFiles[0]);
            EXPECT_FALSE(processHolds("../in/scan.tif"));
        }
        EXPECT_EQ(openFileMark(), openFiles) << "a descriptor was left open";
        EXPECT_EQ(namesIn("."), std::vector<std::string>{"Red.tif"});

        ASSERT_TRUE(changeDirectory(folder.path().string()));
        fs::remove_all("in");
        fs::remove_all("out");
    }
}

TEST_F(OutputFault, EveryWriteStepOfEitherFileThroughTheSplitRun) {
    int callsPerFile[fileCallKinds];
    countCallsPerFile(callsPerFile);
    ASSERT_EQ(callsPerFile[static_cast<int>(FileCall::write)], 4) << "the table counts four writes per file";

    for (const bool secondFile : {false, true}) {
        for (const Step& step : steps()) {
            SCOPED_TRACE(std::string(step.what) + (secondFile ? ", second file" : ", first file"));
            const std::string input = "slide.tif";
            ScanBuilder::scan(width, height).write(input);
            writeFile("Redslide.tif", previous);
            writeFile("Greenslide.tif", previous);
            const std::string failing = secondFile ? "Greenslide.tif" : "Redslide.tif";
            const std::string expected = expectedMessage(step, failing, full(failing));
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
                FaultyFileSystem faulty(secondFile ? inSecondFile(step.faults, callsPerFile) : step.faults);
                SplitRun(host, platform);
                EXPECT_EQ(faulty.raised(), step.faults.size()) << "the step was never reached";
            }

            // The run ends at once: bar at 0, the message under its caption, nothing after it.
            std::vector<std::string> ending = {"endWait", "position 0", "message Cannot Split this tiff: " + expected};
            const std::vector<std::string> calls = host.callsFrom("position 1");
            ASSERT_GE(calls.size(), 3u);
            EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()), ending);
            EXPECT_EQ(calls.size(), (secondFile ? 7u : 5u) + 3u) << "positions reached before the failure";
            EXPECT_FALSE(inputHeld) << "the input must be released before the message shows";

            const std::vector<std::string> names = {"Greenslide.tif", "Redslide.tif", "slide.tif"};
            EXPECT_EQ(namesAtMessage, names) << "no temporary may be left when the message shows";
            EXPECT_EQ(namesIn("."), names);
            EXPECT_EQ(readFile(failing), previous) << "the failing file's old content must stay";
            if (secondFile) {
                const TiffReadBack red = readTiff("Redslide.tif");
                EXPECT_EQ(red.pixels, patternImage(0, width, height)) << "the first file was written whole";
            } else {
                EXPECT_EQ(readFile("Greenslide.tif"), previous);
            }
            EXPECT_EQ(openFileMark(), openFiles) << "a descriptor was left open";
            for (const std::string& name : names) fs::remove(name);
        }
    }
}

// The host asks the run to stop while the first channel of the second file goes to a slow disk:
// the run ends there without a message, that file is abandoned (an output already in place stays
// as it was, no temporary is left), and the first file stays split.
TEST_F(OutputFault, StopAskedForWhileAChannelIsWrittenAbandonsTheFileWhole) {
    for (const bool named : temporaryKinds) {
        SCOPED_TRACE(named ? "named temporaries" : "unnamed temporaries");
        const TemporaryFolder here;
        ASSERT_TRUE(changeDirectory(here.path().string()));
        ScanBuilder::scan(width, height).write("a.tif");
        ScanBuilder::scan(256, 256).write("b.tif");  // a channel of 128 KiB: half a second at the pace below
        writeFile("Redb.tif", previous);
        const int openFiles = openFileMark();
        RecordingHost host;
        RecordingPlatform platform(host);
        host.inputs = {"a.tif", "b.tif"};
        host.stop = [&] { return host.called("position 5") && host.called("selectInput 1"); };
        SplitOutcome outcome;
        {
            FaultyFileSystem slow({}, false, named, std::size_t{256} << 10);
            outcome = SplitRun(host, platform);
        }
        EXPECT_TRUE(outcome.stopped);
        EXPECT_EQ(outcome.inputs[1].result, InputOutcome::Result::stopped);
        EXPECT_EQ(host.callsFrom("selectInput 1"),
                  (std::vector<std::string>{"selectInput 1", "beginWait", "status Splitting:  b.tif", "redraw", "range 0 10",
                                            "position 1", "position 2", "position 3", "position 4", "position 5", "endWait"}));
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
    scan.open("scan.tif");
    scan.parse();
    scan.writeChannel("Plain.tif", 1);
    {
        FaultyFileSystem faulty({}, true);
        scan.writeChannel("Pieces.tif", 1);
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
            scan.writeChannel("Red.tif", 0);
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

    // The next process to write into a folder removes what processes now gone left there, and
    // only that: not a temporary of a process that runs, nor a name the program never makes.
    fs::create_directory("later");
    const std::string self = std::to_string(processId());
    const std::string stem = left.substr(0, left.find(self + "-"));
    const OtherProcess running;
    const std::vector<std::string> kept = {stem + std::to_string(running.id) + "-0.tmp",
                                           stem + std::to_string(goneProcess()) + "-x.tmp", ".quillane-notes.tmp"};
    for (const std::string& name : kept) writeFile("later/" + name, previous);
    writeFile("later/" + stem + std::to_string(goneProcess()) + "-3.tmp", previous);
    scan.writeChannel("later/Red.tif", 0);
    scan.close();
    std::vector<std::string> expected = kept;
    expected.push_back("Red.tif");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn("later"), expected);
}

#ifndef _WIN32
// The signal handling both programs install: a signal that ends the program while named
// temporaries are written removes them first, and the program still ends by that signal.
TEST_F(OutputFault, SignalsThatEndTheProgramRemoveItsNamedTemporariesFirst) {
    // A forked child, which writes into this test's folder.
    GTEST_FLAG_SET(death_test_style, "fast");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        EXPECT_EXIT(
            {
                removeTemporariesOnSignals();
                FaultyFileSystem named({}, false, true);
                OutputFile first("Red.tif");
                OutputFile second("Green.tif");
                first.write("partial", 7);
                std::raise(signal);
            },
            ::testing::KilledBySignal(signal), "");
        EXPECT_TRUE(namesIn(".").empty()) << "a temporary outlived the signal";
    }
}
#endif

}  // namespace
}  // namespace quillane

// quillane-split --watch as it runs on a scanner's PC: scans written slowly, renamed in, a
// thousand at once with the system's notifications overflowing, a stop in the middle of a
// split, a folder that goes and comes back. Each scan is split once, only when it is complete.
#include "cli/ChildProcess.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;
using std::chrono::milliseconds;

std::size_t countOf(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++count;
    return count;
}

enum class Writer { inOneGo, inPieces, inPiecesReopened, preallocated, renamedIn, hardLinked, unnamedLinked };

// Writes a scan as a scanner or a copy over the network does: in one go; in pieces with pauses,
// into one open file, closing it after each piece or into a file made at its full size first;
// whole under another name and then renamed or linked in; or as an unnamed file given its name.
void writeScan(const fs::path& file, const std::vector<std::uint8_t>& bytes, Writer how) {
    const fs::path aside = file.parent_path().parent_path() / (file.filename().string() + ".part");
    if (how == Writer::inOneGo || how == Writer::renamedIn || how == Writer::hardLinked)
        writeFile(how == Writer::inOneGo ? file : aside, bytes);
    if (how == Writer::renamedIn) fs::rename(aside, file);
    if (how == Writer::hardLinked) fs::create_hard_link(aside, file);
#ifndef _WIN32
    if (how == Writer::unnamedLinked) {
        const int unnamed = ::open(file.parent_path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_EQ(::write(unnamed, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ASSERT_EQ(::linkat(AT_FDCWD, ("/proc/self/fd/" + std::to_string(unnamed)).c_str(), AT_FDCWD, file.c_str(), AT_SYMLINK_FOLLOW), 0);
        ::close(unnamed);
    }
#endif
    if (how != Writer::inPieces && how != Writer::inPiecesReopened && how != Writer::preallocated) return;
    constexpr std::size_t pieces = 6;
    if (how == Writer::preallocated) {
        writeFile(file, {});
        fs::resize_file(file, bytes.size());
    }
    std::fstream open(file, std::ios::binary | std::ios::in | std::ios::out | (how == Writer::preallocated ? std::ios::openmode{} : std::ios::trunc));
    for (std::size_t piece = 0; piece < pieces; ++piece) {
        if (how == Writer::inPiecesReopened && !open.is_open()) open.open(file, std::ios::binary | std::ios::app);
        const std::size_t from = bytes.size() * piece / pieces;
        const std::size_t to = bytes.size() * (piece + 1) / pieces;
        open.write(reinterpret_cast<const char*>(bytes.data() + from), static_cast<std::streamsize>(to - from));
        open.flush();
        if (how == Writer::inPiecesReopened) open.close();
        std::this_thread::sleep_for(milliseconds(80));
    }
}

class WatchTest : public ::testing::Test {
protected:
    TemporaryFolder home;
    const fs::path folder = home / "scans";

    // Each test's watches keep their record in a state folder of its own.
    void SetUp() override {
        fs::create_directory(folder);
#ifdef _WIN32
        _putenv_s("LOCALAPPDATA", (home / "state").string().c_str());
#else
        setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
#endif
    }

    std::unique_ptr<RunningProgram> watch(std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"--watch", "scans"});
        auto program = std::make_unique<RunningProgram>(programBesideTest("quillane-split"), options, home.path());
        EXPECT_TRUE(program->waitFor([](const std::string& out) { return countOf(out, "watching") > 0; })) << program->out();
        return program;
    }
    // Stops a watch as the system's service manager does; it ends cleanly, saying so.
    static std::string stop(RunningProgram& program) {
        program.signal(SIGTERM);
        const int status = program.wait();
#ifndef _WIN32
        EXPECT_EQ(status, 0);
        EXPECT_EQ(countOf(program.out(), "stopped"), 1u) << program.out();
#endif
        (void)status;
        return program.out();
    }
    static std::string shown(const std::string& name) { return (fs::path("scans") / name).string(); }
    static std::function<bool(const std::string&)> splitLines(std::size_t count) {
        return [count](const std::string& out) { return countOf(out, " split ") >= count; };
    }
    // What a split of `bytes` writes, to compare the watch's outputs with.
    std::vector<std::vector<std::uint8_t>> referenceOutputs(const std::vector<std::uint8_t>& bytes) {
        const TemporaryFolder reference;
        writeFile(reference / "r.tif", bytes);
        EXPECT_EQ(runProgram(programBesideTest("quillane-split"), {"r.tif"}, reference.path()).status, 0);
        return {readFile(reference / "Redr.tif"), readFile(reference / "Greenr.tif")};
    }
};

TEST_F(WatchTest, SplitsEachScanOnceAndOnlyWhenComplete) {
    const std::vector<std::uint8_t> bytes = ScanBuilder::scan(160, 120).recordDescription("this scan").build();
    // Another scan of the same size: only its header tells it apart.
    const std::vector<std::uint8_t> earlier = ScanBuilder::scan(160, 120).recordDescription("that scan").build();
    const auto outputs = referenceOutputs(bytes);
    // Over a scan split before: with an earlier time (cp -p, rsync -a, an unzip), at the same
    // time, or with a time an hour ahead (a scanner's clock that runs ahead) on its own.
    enum class Time { asWritten, overWithEarlier, overWithSame, hourAhead };
    struct Case {
        const char* what;
        Writer how;
        std::vector<std::string> options;
        Time time = Time::asWritten;
    };
    const std::vector<Case> cases = {
        {"in one go", Writer::inOneGo, {}},
        {"in pieces", Writer::inPieces, {}},
        {"in pieces, closed after each", Writer::inPiecesReopened, {}},
        {"made at full size, then written in place", Writer::preallocated, {}},
        {"renamed in", Writer::renamedIn, {}},
        {"hard-linked in", Writer::hardLinked, {}},
#ifndef _WIN32
        {"an unnamed file linked in", Writer::unnamedLinked, {}},
#endif
        {"in pieces, polled", Writer::inPieces, {"--poll", "1"}},
        {"renamed in, polled", Writer::renamedIn, {"--poll", "1"}},
        {"copied over a split scan with an earlier time", Writer::inOneGo, {}, Time::overWithEarlier},
        {"another header at the same name, size and time", Writer::inOneGo, {}, Time::overWithSame},
        {"dated an hour ahead, polled", Writer::inOneGo, {"--poll", "1"}, Time::hourAhead},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);  // the record stays: the system gives the new files numbers of the removed ones
        fs::create_directory(folder);
        const auto watcher = watch(c.options);
        const bool over = c.time == Time::overWithEarlier || c.time == Time::overWithSame;
        for (const char* name : {"one.tif", "two.tif"}) {
            if (over) {
                writeScan(folder / name, earlier, Writer::inOneGo);
                ASSERT_TRUE(watcher->waitFor([&](const std::string& out) { return countOf(out, " split " + shown(name)) == 1; }));
            }
            const auto before = over ? fs::last_write_time(folder / name) : fs::file_time_type{};
            writeScan(folder / name, bytes, c.how);
            if (c.time == Time::overWithEarlier) fs::last_write_time(folder / name, before - std::chrono::hours(1));
            if (c.time == Time::overWithSame) fs::last_write_time(folder / name, before);
            if (c.time == Time::hourAhead) fs::last_write_time(folder / name, fs::file_time_type::clock::now() + std::chrono::hours(1));
        }
        ASSERT_TRUE(watcher->waitFor(splitLines(over ? 4 : 2))) << watcher->out();
        // Polls and more: nothing is split twice, whatever its time says.
        std::this_thread::sleep_for(milliseconds(c.time == Time::hourAhead ? 5000 : 1500));
        const std::string out = stop(*watcher);
        for (const char* name : {"one.tif", "two.tif"}) {
            EXPECT_EQ(countOf(out, " split " + shown(name) + " into "), over ? 2u : 1u) << out;
            EXPECT_EQ(readFile(folder / ("Red" + std::string(name))), outputs[0]);
            EXPECT_EQ(readFile(folder / ("Green" + std::string(name))), outputs[1]);
        }
        EXPECT_EQ(countOf(out, " failed ") + countOf(out, " refused "), 0u) << "a scan was taken up before it was complete:\n" << out;
    }
}

// A thousand scans moved in while the watch cannot read its notifications (on Linux it is
// paused, and each scan is closed after writing again and again, beyond what the system
// queues): every one is split once. A restart then finds them all split.
TEST_F(WatchTest, AThousandScansAtOnceAreSplitOnceAndARestartSplitsNothing) {
    const std::vector<std::uint8_t> bytes = ScanBuilder::scan(16, 16).build();
    fs::create_directory(home / "staging");
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        names.push_back(std::to_string(10000 + i).append(".tif"));
        writeFile(home / "staging" / names.back(), bytes);
    }
    const auto watcher = watch({"--json"});
#ifndef _WIN32
    watcher->signal(SIGSTOP);
#endif
    for (const std::string& name : names) fs::rename(home / "staging" / name, folder / name);
#ifndef _WIN32
    std::ifstream queueLimit("/proc/sys/fs/inotify/max_queued_events");
    int queued = 16384;
    queueLimit >> queued;
    for (int round = 0; round <= queued / 1000; ++round) {
        for (const std::string& name : names) ::close(::open((folder / name).c_str(), O_WRONLY | O_CLOEXEC));
    }
    watcher->signal(SIGCONT);
#endif
    const auto allSplit = [](const std::string& out) { return countOf(out, "\"status\":\"split\"") >= 1000; };
    // A guard against a hang, not a speed: under Wine on a busy machine each split's flush of the
    // record takes a while.
    ASSERT_TRUE(watcher->waitFor(allSplit, std::chrono::seconds(360))) << countOf(watcher->out(), "\"status\":\"split\"");
    std::this_thread::sleep_for(milliseconds(1000));
    const std::string out = stop(*watcher);
    std::string escaped;  // as JSON writes the folder's separator
    for (const char c : shown("")) escaped.append(c == '\\' ? 2 : 1, c);
    for (const std::string& name : names) ASSERT_EQ(countOf(out, "\"input\":\"" + escaped + name + "\""), 1u) << name;
#ifndef _WIN32
    EXPECT_EQ(countOf(out, "\"status\":\"rescan\""), 1u) << "the notifications did not overflow";
    const fs::path report = home / "report.jsonl";
    writeFile(report, std::vector<std::uint8_t>(out.begin(), out.end()));
    EXPECT_EQ(runProgram("/usr/bin/jq", {"-e", "-s", "map(select(.status == \"split\")) | length == 1000", report.string()},
                         home.path()).status, 0);
    // The record tells the same, and a restart without it splits nothing either.
    const ProgramRun history = runProgram(programBesideTest("quillane-split"), {"--history", "scans", "--json"}, home.path());
    writeFile(report, std::vector<std::uint8_t>(history.out.begin(), history.out.end()));
    EXPECT_EQ(runProgram("/usr/bin/jq", {"-e", "-s", "map(select(.outputs | length == 2)) | length == 1000", report.string()},
                         home.path()).status, 0) << history.out.substr(0, 500);
    fs::remove_all(home / "state");
#endif

    const auto restarted = watch();
    ASSERT_TRUE(restarted->waitFor([](const std::string& text) { return countOf(text, "1000 scans have their") > 0; }))
        << restarted->out();
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_EQ(countOf(stop(*restarted), " split "), 0u);
}

// SIGTERM at moments around a large scan's split: the watch ends cleanly, leaving both channel
// files whole or neither, and no temporary.
TEST_F(WatchTest, StopDuringASplitLeavesWholeOutputsOrNone) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows asks a console program to stop through its console, which a test's child has not";
#else
    const std::vector<std::uint8_t> bytes = ScanBuilder::scan(2000, 1500).build();
    const auto outputs = referenceOutputs(bytes);
    int whole = 0;
    for (const int moment : {200, 300, 400, 500, 700}) {
        SCOPED_TRACE(std::to_string(moment) + " ms");
        fs::remove_all(folder);
        fs::create_directory(folder);
        const auto watcher = watch();
        writeScan(folder / "big.tif", bytes, Writer::renamedIn);
        std::this_thread::sleep_for(milliseconds(moment));
        stop(*watcher);
        const std::vector<std::string> names = namesIn(folder);
        if (names.size() == 3) {
            ++whole;
            EXPECT_EQ(readFile(folder / "Redbig.tif"), outputs[0]);
            EXPECT_EQ(readFile(folder / "Greenbig.tif"), outputs[1]);
        } else {
            EXPECT_EQ(names, std::vector<std::string>{"big.tif"});
        }
    }
    EXPECT_GT(whole, 0) << "no stop came during or after a split";
#endif
}

// One watch per folder: a second one says which process watches it and ends; the lock goes
// with the first one, however it ends.
TEST_F(WatchTest, ASecondWatchOfAFolderEndsNamingTheFirst) {
    auto first = watch();
    const ProgramRun second = runProgram(programBesideTest("quillane-split"), {"--watch", "scans"}, home.path());
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("another watch splits the scans of this folder already: process "), std::string::npos) << second.err;
    EXPECT_NE(runProgram(programBesideTest("quillane-split"), {"--watch-status", "scans"}, home.path()).out.find("scans is watched by process"),
              std::string::npos);
    first->signal(9);  // SIGKILL; on Windows the task manager's end
    first->wait();
    stop(*watch());
}

#ifndef _WIN32
// A folder that is not there is looked for once a second, and the watch sleeps in between: it
// wakes (gives up the processor of its own accord) a few times a second at most.
TEST_F(WatchTest, AMissingFolderIsLookedForOnceASecond) {
    // Counted from a second in, so that the program's start is not counted as waiting.
    const ProgramRun run = runProgram("/bin/sh", {"-c", "\"$0\" --watch missing >/dev/null & sleep 1; wakes() { "
                                                  "awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }' /proc/$!/task/*/status; }; "
                                                  "wakes; sleep 10; wakes; kill $!",
                                                  programBesideTest("quillane-split").string()}, home.path());
    long wakes[2] = {};
    ASSERT_EQ(std::sscanf(run.out.c_str(), "%ld %ld", &wakes[0], &wakes[1]), 2) << run.out;
    EXPECT_LE(wakes[1] - wakes[0], 30) << "times the watch woke in 10 s";
}

// An output folder that fails and passes: a full disk, a folder removed and made again; and
// two scans whose outputs are one file on a disk that ignores case. A failure is reported once,
// and its recovery once; the refused scan names both and the first one's files stay.
TEST_F(WatchTest, FailuresThatPassAreTriedAgainAndACaseClashIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "making and mounting file systems needs root";
    writeFile(home / "a.tif", ScanBuilder::scan(160, 120).build());
    writeFile(home / "b.tif", ScanBuilder::scan(160, 120).recordDescription("another").build());
    const auto outputs = referenceOutputs(readFile(home / "a.tif"));
    struct Case {
        const char* disk;
        const char* script;
        std::size_t failed, recovered, refused;
    };
    const std::vector<Case> cases = {
        {"tmpfs", "head -c 1M /dev/zero >fill 2>/dev/null; cp \"$H/a.tif\" \"$S\"; await failed; rm fill; await \" split $S\"", 1, 1, 0},
        {"tmpfs", "rmdir out; cp \"$H/a.tif\" \"$S\"; await failed; mkdir out; await \" split $S\"", 1, 1, 0},
        {"exfat", "cp \"$H/a.tif\" \"$S/Slide.tif\"; await \" split $S\"; cp \"$H/b.tif\" \"$S/slide.tif\"; await refused", 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        fs::remove_all(folder);
        fs::create_directory(folder);
        const std::string setting = "Q='" + programBesideTest("quillane-split").string() + "' H='" + home.path().string() + "' S='" +
                                    folder.string() + "'; await() { n=0; until grep -q -- \"$1\" \"$H/out\"; do sleep 0.1; n=$((n+1)); "
                                    "[ $n -lt 600 ] || return 1; done; }; mkdir out; \"$Q\" --watch \"$S\" --out out >\"$H/out\" 2>&1 & "
                                    "await watching; ";
        const int status = runProgram("/bin/sh", {QUILLANE_TESTS_DIR "/cli/on-a-disk.sh", c.disk, (home / c.disk).string(),
                                                  setting + c.script + "; s=$?; cp out/* \"$H/\"; kill $!; wait $!; exit $s"}, home.path()).status;
        const std::vector<std::uint8_t> written = readFile(home / "out");
        const std::string out(written.begin(), written.end());
        ASSERT_EQ(status, 0) << out;
        EXPECT_EQ(countOf(out, " failed "), c.failed) << out;
        EXPECT_EQ(countOf(out, " recovered "), c.recovered) << out;
        EXPECT_EQ(countOf(out, " refused ") + countOf(out, "/slide.tif : Its channel file out/Redslide.tif would also be written for " +
                                                           folder.string() + "/Slide.tif"), 2 * c.refused) << out;
        EXPECT_EQ(readFile(home / (c.refused ? "RedSlide.tif" : "Reda.tif")), outputs[0]);
    }
}
#endif

// A folder not there yet is waited for; one removed (a share that disconnects) is watched
// again once it is made anew.
TEST_F(WatchTest, AFolderRemovedAndMadeAgainIsWatchedAgain) {
    const std::vector<std::uint8_t> bytes = ScanBuilder::scan(16, 16).build();
    fs::remove(folder);
    const auto watcher = std::make_unique<RunningProgram>(programBesideTest("quillane-split"),
                                                          std::vector<std::string>{"--watch", "scans"}, home.path());
    ASSERT_TRUE(watcher->waitFor([](const std::string& out) { return countOf(out, " gone scans") > 0; })) << watcher->out();
    std::this_thread::sleep_for(milliseconds(1500));
    EXPECT_EQ(countOf(watcher->out(), "watching"), 0u) << "watching a folder that is not there:\n" << watcher->out();
    fs::create_directory(folder);
    writeScan(folder / "a.tif", bytes, Writer::renamedIn);
    ASSERT_TRUE(watcher->waitFor(splitLines(1))) << watcher->out();
#ifdef _WIN32
    // Wine keeps a removed folder that a program holds open until it lets go of it, where Windows
    // refuses to open it at once; a folder moved away is gone on both.
    fs::rename(folder, home / "away");
#else
    fs::remove_all(folder);
#endif
    ASSERT_TRUE(watcher->waitFor([](const std::string& out) { return countOf(out, " gone scans") > 1; })) << watcher->out();
    fs::create_directory(folder);
    writeScan(folder / "b.tif", bytes, Writer::renamedIn);
    ASSERT_TRUE(watcher->waitFor(splitLines(2))) << watcher->out();
    const std::string out = stop(*watcher);
    EXPECT_EQ(countOf(out, " back scans"), 2u) << out;
    EXPECT_EQ(countOf(out, "watching"), 1u) << out;
    EXPECT_EQ(countOf(out, " split " + shown("b.tif") + " into "), 1u) << out;
}

}  // namespace
}  // namespace quillane

// quillane-split ended from outside at moments spread over a whole run: by Ctrl-C, SIGTERM,
// SIGHUP and SIGKILL on POSIX (with unnamed temporaries and with named ones, as on a file system
// without unnamed files), by the task manager's TerminateProcess on Windows. The output folder
// then holds the files it held before, unchanged or replaced by whole, correct outputs, and
// nothing else; a temporary that only a kill at the last instant can leave is gone once the next
// run has written into that folder.
#include "cli/ChildProcess.h"
#include "support/Expectations.h"
#include "support/ScanBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace quillane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

struct Interruption {
    const char* what;
    int signal;
    bool unnamedTemporaries;
};

std::vector<Interruption> interruptions() {
#ifdef _WIN32
    return {{"terminated", 0, false}};
#else
    std::vector<Interruption> all;
    for (const bool unnamed : {true, false}) {
        all.push_back({"SIGINT", SIGINT, unnamed});
        all.push_back({"SIGTERM", SIGTERM, unnamed});
        all.push_back({"SIGHUP", SIGHUP, unnamed});
        all.push_back({"SIGKILL", SIGKILL, unnamed});
    }
    return all;
#endif
}

constexpr int momentsPerInterruption = 5;

// A file's bytes, read in one piece: the folder is read back after every interruption.
std::vector<std::uint8_t> contentOf(const fs::path& file) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(fs::file_size(file)));
    std::ifstream in(file, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

TEST(Interruption, LeavesOnlyWholeOutputsAndTheEarlierFiles) {
    const TemporaryFolder home;
    fs::create_directory(home / "in");
    std::vector<std::string> arguments = {"--out", "out"};
    for (const char* name : {"a", "b", "c", "d"}) {
        ScanBuilder::scan(1000, 800).write(home / "in" / (std::string(name) + ".tif"));
        arguments.push_back("in/" + std::string(name) + ".tif");
    }
    const fs::path program = programBesideTest("quillane-split");

    // The outputs as a run that nobody interrupts writes them, and how long such a run takes at
    // the least (the first one also fills the file cache).
    auto whole = std::chrono::microseconds::max();
    for (int run = 0; run < 3; ++run) {
        fs::remove_all(home / "out");
        fs::create_directory(home / "out");
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(runProgram(program, arguments, home.path()).status, 0);
        whole = std::min(whole, std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start));
    }
    std::map<std::string, std::vector<std::uint8_t>> written;
    for (const std::string& name : namesIn(home / "out")) written[name] = contentOf(home / "out" / name);
    ASSERT_EQ(written.size(), 8u);
    fs::rename(home / "out", home / "reference");

    const std::vector<std::uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    const std::string library = (programBesideTest("quillane-split").parent_path() / "libno_unnamed_files.so").string();
    int cutShort = 0;
    for (const Interruption& interruption : interruptions()) {
        for (int moment = 0; moment < momentsPerInterruption; ++moment) {
            const auto after = whole * (2 * moment + 1) / (2 * momentsPerInterruption + 2);
            SCOPED_TRACE(std::string(interruption.what) + (interruption.unnamedTemporaries ? "" : ", named temporaries") +
                         " after " + std::to_string(after.count()) + " us");
            fs::remove_all(home / "out");
            fs::create_directory(home / "out");
            writeFile(home / "out" / "notes.txt", earlier);
            writeFile(home / "out" / "Redb.tif", earlier);

            std::vector<std::string> environment;
            if (!interruption.unnamedTemporaries)
                environment = {"LD_PRELOAD=" + library, "ASAN_OPTIONS=verify_asan_link_order=0"};
            const int status =
                runInterrupted(program, arguments, home.path(), after, interruption.signal, environment);
            if (status != 0) ++cutShort;
#ifndef _WIN32
            EXPECT_TRUE(status == 0 || status == 128 + interruption.signal)
                << "ended with " << status << ", not as the signal ends a program";
#endif

            int temporaries = 0;
            for (const std::string& name : namesIn(home / "out")) {
                const std::vector<std::uint8_t> bytes = contentOf(home / "out" / name);
                if (name == "notes.txt") {
                    EXPECT_EQ(bytes, earlier) << "an unrelated file changed";
                } else if (written.count(name) != 0) {
                    EXPECT_TRUE(bytes == written[name] || (name == "Redb.tif" && bytes == earlier))
                        << name << " is neither whole nor the earlier file";
                } else if (name.rfind(".quillane-", 0) == 0) {
                    ++temporaries;
                } else {
                    ADD_FAILURE() << "unexpected " << name;
                }
            }
            // Only a kill, which no program can answer, may leave a named temporary: for the
            // moment between naming it and moving it over the output, or on a file system
            // without unnamed files. The next run into the folder removes it.
#ifndef _WIN32
            if (interruption.signal != SIGKILL) {
                EXPECT_EQ(temporaries, 0) << "a signal the program can answer left a temporary";
            }
#endif
            if (temporaries > 0) {
                ASSERT_EQ(runProgram(program, {"--out", "out", "in/a.tif"}, home.path()).status, 0);
                for (const std::string& name : namesIn(home / "out")) {
                    EXPECT_NE(name.rfind(".quillane-", 0), 0u) << name << " outlived the next run";
                }
            }
        }
    }
    // The moments lie inside the runs: on a busy machine a run may end before its moment, but
    // not most of them.
    EXPECT_GE(cutShort, static_cast<int>(interruptions().size()) * momentsPerInterruption / 3)
        << "a whole run took " << whole.count() << " us";
}

}  // namespace
}  // namespace quillane

#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quillane::testing {

// What a program run as a child process left behind: its exit status and everything it wrote
// on standard output and standard error (line ends as "\n" on every system).
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// A program built into the same folder as the running test program.
std::filesystem::path programBesideTest(const std::string& name);

// Runs `program` with `arguments`, exactly as given, in `workingFolder`, with its standard
// output and error written to files and no standard input; waits for it to end.
ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      const std::filesystem::path& workingFolder);

// The same with standard error on a terminal of its own (a pseudo-terminal), as when a person
// runs the program; standard output still goes to a file. POSIX only.
ProgramRun runProgramOnTerminal(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                const std::filesystem::path& workingFolder);

// Starts `program` as runProgram does, lets it run for `after`, then ends it with `signal`
// (POSIX) or, on Windows, terminates it as the task manager does, and waits for it. Its streams
// are discarded; `environment` entries ("NAME=value") are added to its environment (POSIX).
// Gives the exit status, or 128 + the signal that ended it.
int runInterrupted(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder, std::chrono::microseconds after, int signal,
                   const std::vector<std::string>& environment = {});

// A program left running while the test goes on; what it writes on standard output goes to a
// file the test reads as it grows. Ended with SIGKILL (TerminateProcess) if it still runs when
// the object goes.
class RunningProgram {
public:
    RunningProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& workingFolder);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    std::string out() const;
    // Waits until `done` holds for what it has written, at most `limit`; whether it held.
    bool waitFor(const std::function<bool(const std::string&)>& done, std::chrono::seconds limit = std::chrono::seconds(120)) const;
    // Sends `signal` (POSIX); on Windows any signal terminates it as the task manager does.
    void signal(int signal);
    // Waits for it to end: its exit status, or 128 + the signal that ended it.
    int wait();

private:
    const std::filesystem::path streams_;
    std::intptr_t process_ = -1;
    bool ended_ = false;
    int status_ = -1;
};

}  // namespace quillane::testing

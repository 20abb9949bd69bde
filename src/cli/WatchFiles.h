#pragma once

#include "cli/CommandLine.h"
#include "split/WatchRecord.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillane {

struct FailingScan {
    std::string scan;
    std::string since;
    std::string message;
};

// The files a watch keeps about its folder in the user's state folder, all named after the
// folder: the record of what it split, its log (every event, kept to a few megabytes: the
// older half is kept once as "<name>.log.1") and, while it runs, what it is doing now.
class WatchFiles {
public:
    // Throws std::runtime_error when the state folder cannot be made.
    explicit WatchFiles(const std::string& folder);

    SplitRecord& record() { return record_; }
    // Adds one line to the log; a log that cannot be written changes nothing else.
    void log(const std::string& line);
    // What the watch does now: since when it runs, the scans that wait, those that fail.
    void writeStatus(const std::vector<std::string>& waiting, const std::vector<FailingScan>& failing);
    // The watch ends: what it was doing is over.
    void stopped();

    static constexpr std::uint64_t logLimit = 4U << 20;

private:
    SplitRecord record_;
    std::string log_;
    std::string status_;
    std::string since_;
    std::uint64_t logSize_ = 0;
};

// --history: what the watch of the folder split, when and how; each line of the record as it
// is with --json. Returns the exit status.
int showHistory(const CommandLine& commandLine);
// --watch-status: whether a watch runs on the folder, since when, its last events, and what
// waits or fails. Returns the exit status.
int showWatchStatus(const CommandLine& commandLine);

}  // namespace quillane

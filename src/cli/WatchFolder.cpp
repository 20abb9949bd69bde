#include "cli/WatchFolder.h"

#include "cli/ConsoleHost.h"
#include "cli/Reporting.h"
#include "platform/FolderListing.h"
#include "platform/FolderWatch.h"
#include "platform/StopRequest.h"
#include "split/SplitRun.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillane {
namespace {

using Clock = std::chrono::steady_clock;

// How long a file must keep its size and time before it is taken for complete: a scanner that
// has closed a file is done with it, and one that still writes changes it sooner than this.
constexpr std::chrono::milliseconds settleTime{250};
// The wait when nothing is due: any notification or stop ends it earlier.
constexpr std::chrono::hours idleWait{1};

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
           });
}

// Scans are TIFF files, as a dropped folder lists them; hidden files are other programs'
// temporaries, which they rename once written.
bool mayBeScan(const std::string& name) {
    return !name.empty() && name[0] != '.' && (endsWith(name, ".tif") || endsWith(name, ".tiff"));
}

class FolderSplitter {
public:
    explicit FolderSplitter(const CommandLine& commandLine)
        : options_(commandLine.options), folder_(commandLine.watchFolder), json_(commandLine.json) {
        const char separator = nativePathStyle == PathStyle::windows ? '\\' : '/';
        prefix_ = folder_;
        if (!prefix_.empty() && prefix_.back() != separator && prefix_.back() != '/') prefix_ += separator;
    }

    void reportEvent(const std::string& status, const std::string& message = {}) const {
        const std::string time = localTimestamp();
        if (json_) writeLine(jsonEventLine(time, status, folder_, message));
        else writeLine(time + ' ' + status + ' ' + folder_ + (message.empty() ? "" : " : " + message));
    }

    // Every file of the folder that may need a split; `tell` reports how many were split before.
    void rescan(bool tell) {
        int alreadySplit = 0;
        for (const std::string& path : filesInFolder(folder_)) {
            const std::string name = FileNamePart(path);
            if (noticed(name) == Verdict::alreadySplit) ++alreadySplit;
        }
        if (tell && alreadySplit > 0)
            reportEvent("already-split", alreadySplit == 1 ? "1 scan has its channel files"
                                                           : std::to_string(alreadySplit) + " scans have their channel files");
    }

    enum class Verdict { ignored, alreadySplit, waiting };

    // A file that may have changed: it waits until it has held still for a while.
    Verdict noticed(const std::string& name) {
        const std::string path = prefix_ + name;
        const FileState state = fileState(path);
        if (!state.exists || !mayBeScan(name) || isOwnOutput(name, path)) {
            pending_.erase(name);
            return Verdict::ignored;
        }
        if (const auto refused = refused_.find(name); refused != refused_.end()) {
            if (refused->second == state) return Verdict::ignored;  // reported once until it changes
            refused_.erase(refused);
        }
        if (hasNewerOutputs(path, state)) return Verdict::alreadySplit;
        if (!pending_.contains(name)) pending_[name] = {state, Clock::now() + settleTime};
        return Verdict::waiting;
    }

    // When the next waiting file is due to be looked at.
    std::chrono::milliseconds untilNextDue() const {
        if (pending_.empty()) return idleWait;
        Clock::time_point first = Clock::time_point::max();
        for (const auto& [name, waiting] : pending_) first = std::min(first, waiting.due);
        return std::max(std::chrono::milliseconds(0), std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now()));
    }

    // Splits each waiting file that has held still, one at a time; a stop ends the work between
    // two files.
    void splitWhatIsDue() {
        std::vector<std::string> due;
        for (const auto& [name, waiting] : pending_)
            if (waiting.due <= Clock::now()) due.push_back(name);
        for (const std::string& name : due) {
            if (stopRequested()) return;
            const std::string path = prefix_ + name;
            const FileState state = fileState(path);
            Waiting& waiting = pending_[name];
            if (!state.exists) {
                pending_.erase(name);
            } else if (state != waiting.seen || heldForWriting(path)) {
                waiting = {state, Clock::now() + settleTime};
            } else {
                pending_.erase(name);
                split(name, path, state);
            }
        }
    }

private:
    struct Waiting {
        FileState seen;
        Clock::time_point due;
    };

    // A channel file this watch wrote, or one that a scan beside it would have written.
    bool isOwnOutput(const std::string& name, const std::string& path) const {
        if (written_.contains(path)) return true;
        for (const char* colour : {"Red", "Green"}) {
            const std::string prefix = colour;
            if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
            std::string scan = name.substr(prefix.size());
            const std::string suffix = flipSuffix(options_);
            if (!suffix.empty()) {
                const std::size_t dot = scan.rfind('.');
                const std::size_t stem = dot == std::string::npos ? scan.size() : dot;
                if (stem < suffix.size() || scan.compare(stem - suffix.size(), suffix.size(), suffix) != 0) continue;
                scan.erase(stem - suffix.size(), suffix.size());
            }
            const std::string scanPath = prefix_ + scan;
            if (!fileState(scanPath).exists) continue;
            const OutputPaths outputs = composeOutputPaths(options_, scanPath);
            if (outputs.first == path || outputs.second == path) return true;
        }
        return false;
    }

    // Both channel files are there and were written after the scan: it was split before, by this
    // run or an earlier one.
    bool hasNewerOutputs(const std::string& path, const FileState& scan) const {
        const OutputPaths outputs = composeOutputPaths(options_, path);
        for (const std::string* output : {&outputs.first, &outputs.second}) {
            const FileState state = fileState(*output);
            if (!state.exists || !writtenSince(state, scan)) return false;
        }
        return true;
    }

    void split(const std::string& name, const std::string& path, const FileState& before) {
        ConsoleHost host(options_, {path}, false);
        ConsolePlatform platform;
        const SplitOutcome outcome = SplitRun(host, platform);
        const FileState after = fileState(path);
        InputOutcome entry = outcome.inputs.empty() ? InputOutcome{} : outcome.inputs.front();
        entry.input = path;
        entry.outputs = composeOutputPaths(options_, path);
        if (entry.failure.empty()) entry.failure = outcome.failure;
        if (outcome.succeeded()) {
            written_.insert(entry.outputs.first);
            written_.insert(entry.outputs.second);
        }
        // A scan replaced while it was split is split again once it holds still.
        if (after != before) {
            if (after.exists) pending_[name] = {after, Clock::now() + settleTime};
            if (!outcome.succeeded()) return;
        } else if (!outcome.succeeded()) {
            refused_[name] = before;
        }
        const std::string status = outcome.succeeded() ? "split" : "failed";
        const std::string message = outcome.succeeded() ? std::string() : failureLine(path, entry.failure);
        const std::string time = localTimestamp();
        if (json_) {
            // The failure on standard error too, as every failure of a JSON report is.
            if (!outcome.succeeded()) reportFailure(path, entry.failure);
            writeLine(jsonLine({.input = path, .outputs = entry.outputs, .status = status, .message = message,
                                .changed = entry.changed, .scan = entry.scan, .withTexts = false, .flip = options_, .seconds = entry.seconds, .time = time, .picture = {}, .figures = {}}));
        } else if (outcome.succeeded()) {
            writeLine(time + " split " + path + " into " + entry.outputs.first + " and " + entry.outputs.second);
        } else {
            writeLine(time + " failed " + message);
        }
    }

    SplitOptions options_;
    std::string folder_;
    std::string prefix_;  // the folder with its separator, to put a name after
    bool json_;
    std::map<std::string, Waiting> pending_;
    std::map<std::string, FileState> refused_;  // as it was when refused
    std::set<std::string> written_;             // channel files this run wrote
};

}  // namespace

int watchFolder(const CommandLine& commandLine) {
    stopOnRequest();
    FolderSplitter splitter(commandLine);
    FolderWatch watch(commandLine.watchFolder, std::chrono::seconds(commandLine.pollSeconds));
    bool watching = false;
    bool looked = false;
    for (;;) {
        const FolderWatch::Changes changes = watch.wait(splitter.untilNextDue());
        if (changes.stop || stopRequested()) break;
        if (changes.gone) splitter.reportEvent("gone", "waiting for the folder to come back");
        if (changes.back) splitter.reportEvent("back");
        if (changes.rescan && !watching) {  // the folder is there: the first look at it
            watching = true;
            const auto poll = std::chrono::duration_cast<std::chrono::seconds>(watch.pollInterval()).count();
            splitter.reportEvent("watching", poll > 0 ? "looking every " + std::to_string(poll) + " s" : std::string());
        }
        if (changes.missed) splitter.reportEvent("rescan", "notifications were lost: looking at every file");
        // A poll's look at the folder is silent; the first and those after lost notifications
        // tell what they found.
        if (changes.rescan) splitter.rescan(!looked || changes.missed || changes.back);
        looked = looked || changes.rescan;
        for (const std::string& name : changes.names) splitter.noticed(name);
        splitter.splitWhatIsDue();
    }
    splitter.reportEvent("stopped");
    stoppingNow();
    return 0;
}

}  // namespace quillane

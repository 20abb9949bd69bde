#include "cli/WatchFolder.h"

#include "cli/ConsoleHost.h"
#include "cli/Reporting.h"
#include "cli/WatchFiles.h"
#include "platform/FileState.h"
#include "platform/FolderListing.h"
#include "platform/FolderWatch.h"
#include "platform/StopRequest.h"
#include "platform/WatchLock.h"
#include "split/SplitRun.h"
#include "split/WatchRecord.h"
#include "version/ProgramVersion.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <map>
#include <optional>
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
// A failed scan is tried again after these pauses, doubled each time: a full disk, a share or an
// output folder that is not there yet pass. The first try again confirms the failure before it
// is reported, so that a scan still being written is not reported.
constexpr std::chrono::milliseconds firstRetry{1000};
constexpr std::chrono::milliseconds longestRetry{5 * 60 * 1000};

class FolderSplitter {
public:
    FolderSplitter(const CommandLine& commandLine, SplitRecord& record, WatchFiles& files)
        : options_(commandLine.options), folder_(commandLine.watchFolder), json_(commandLine.json), record_(record),
          files_(files), settle_(commandLine.settleSeconds > 0 ? std::chrono::milliseconds(commandLine.settleSeconds * 1000) : settleTime) {
        const char separator = nativePathStyle == PathStyle::windows ? '\\' : '/';
        prefix_ = folder_;
        if (!prefix_.empty() && prefix_.back() != separator && prefix_.back() != '/') prefix_ += separator;
    }

    void reportEvent(const std::string& status, const std::string& message = {}) {
        const std::string time = localTimestamp();
        const std::string text = time + ' ' + status + ' ' + folder_ + (message.empty() ? "" : " : " + message);
        writeLine(json_ ? jsonEventLine(time, status, folder_, message) : text);
        files_.log(text);
    }

    // Reads the record at the first look at the folder; one missing or damaged is made again
    // from the channel files in the folder, and the watch says so.
    void openRecord(SplitRecord::Found found) {
        std::vector<std::string> scans;
        if (found != SplitRecord::Found::intact)
            for (const std::string& path : filesInFolder(folder_))
                if (mayBeScanName(FileNamePart(path)) && !isOwnOutput(FileNamePart(path), path)) scans.push_back(path);
        const int taken = found == SplitRecord::Found::intact ? 0 : record_.takeFromFolder(options_, scans, programVersionText, localTimestamp());
        try {
            record_.compact();
        } catch (const std::exception& failure) {
            reportEvent("record-failed", std::string("the record could not be written anew: ") + failure.what());
        }
        if (found == SplitRecord::Found::intact) return;
        reportEvent("record", std::string(found == SplitRecord::Found::missing ? "this folder has no record yet"
                                                                               : "this folder's record was damaged") +
                                  ": made from the folder, " + std::to_string(taken) + (taken == 1 ? " scan" : " scans") +
                                  " with channel files written after it taken as split");
    }

    // Every file of the folder that may need a split; `tell` reports how many were split before.
    void rescan(bool tell) {
        int alreadySplit = 0;
        for (const std::string& path : filesInFolder(folder_)) {
            if (noticed(FileNamePart(path), false) == Verdict::alreadySplit) ++alreadySplit;
        }
        if (tell && alreadySplit > 0)
            reportEvent("already-split", alreadySplit == 1 ? "1 scan has its channel files"
                                                           : std::to_string(alreadySplit) + " scans have their channel files");
    }

    enum class Verdict { ignored, alreadySplit, waiting };

    // A file that may have changed (`told`: the system said so): it waits until it has held still
    // for a while, unless the record holds it split as it is.
    Verdict noticed(const std::string& name, bool told) {
        const std::string path = prefix_ + name;
        const FileState state = fileState(path);
        if (told) marks_.erase(name);
        if (!state.exists || !mayBeScanName(name) || isOwnOutput(name, path)) {
            pending_.erase(name);
            failing_.erase(name);
            if (!state.exists) reported_.erase(name);  // a scan that is gone does not recover
            return Verdict::ignored;
        }
        if (const auto failing = failing_.find(name); failing != failing_.end()) {
            if (failing->second.seen == state) return Verdict::waiting;  // tried again when its pause ends
            failing_.erase(failing);
        }
        // A file already waiting starts its pause again from the change the system told of
        // (its close after writing, most often): the pause runs from the last change.
        if (const auto waiting = pending_.find(name); waiting != pending_.end()) {
            if (told) waiting->second = {state, Clock::now() + settle_};
            return Verdict::waiting;
        }
        if (const std::optional<ScanMark> mark = markNow(name, path, state);
            mark && record_.splitAsItIs(name, *mark, flipName(options_), composeOutputPaths(options_, path)))
            return Verdict::alreadySplit;
        pending_[name] = {state, Clock::now() + settle_};
        statusChanged_ = true;
        return Verdict::waiting;
    }

    // When the next waiting or failed file is due to be looked at.
    std::chrono::milliseconds untilNextDue() const {
        Clock::time_point first = Clock::time_point::max();
        for (const auto& [name, waiting] : pending_) first = std::min(first, waiting.due);
        for (const auto& [name, failing] : failing_) first = std::min(first, failing.due);
        if (first == Clock::time_point::max()) return idleWait;
        return std::max(std::chrono::milliseconds(0), std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now()));
    }

    // Splits each waiting file that has held still, one at a time, and tries again each failed
    // one whose pause has ended; a stop ends the work between two files.
    void splitWhatIsDue() {
        std::vector<std::string> due;
        const Clock::time_point now = Clock::now();
        for (const auto& [name, waiting] : pending_)
            if (waiting.due <= now) due.push_back(name);
        for (const auto& [name, failing] : failing_)
            if (failing.due <= now) due.push_back(name);
        for (const std::string& name : due) {
            if (stopRequested()) return;
            const std::string path = prefix_ + name;
            const FileState state = fileState(path);
            const auto waiting = pending_.find(name);
            const auto failing = failing_.find(name);
            const FileState seen = waiting != pending_.end() ? waiting->second.seen : failing->second.seen;
            if (!state.exists) {
                pending_.erase(name);
                failing_.erase(name);
                statusChanged_ = true;
            } else if (state != seen || heldForWriting(path)) {
                // Still being written: it waits, silently, until it holds still.
                if (failing != failing_.end()) failing_.erase(failing);
                pending_[name] = {state, Clock::now() + settle_};
            } else {
                pending_.erase(name);
                split(name, path, state);
            }
        }
        if (statusChanged_) writeStatus();
    }

    void writeStatus() {
        statusChanged_ = false;
        std::vector<std::string> waiting;
        std::vector<FailingScan> failing;
        for (const auto& [name, entry] : pending_) waiting.push_back(prefix_ + name);
        for (const auto& [name, entry] : failing_)
            if (entry.reported) failing.push_back({prefix_ + name, entry.since, entry.message});
        files_.writeStatus(waiting, failing);
    }

private:
    struct Waiting {
        FileState seen;
        Clock::time_point due;
    };
    struct Failing {
        FileState seen;
        Clock::time_point due;
        int tries = 0;
        bool reported = false;
        std::string since;
        std::string message;
    };
    struct Marked {
        FileState state;
        std::optional<FileIdentity> identity;
        std::optional<ScanMark> mark;
    };

    // What the scan is now; its fingerprint is read again only when the system told of a change
    // or its size, time or file changed, so that a poll of a share does not read every scan.
    std::optional<ScanMark> markNow(const std::string& name, const std::string& path, const FileState& state) {
        const std::optional<FileIdentity> identity = fileIdentity(path);
        if (const auto known = marks_.find(name); known != marks_.end() && known->second.state == state &&
                                                  known->second.identity == identity)
            return known->second.mark;
        std::optional<ScanMark> mark = markOf(path);
        marks_[name] = {state, identity, mark};
        return mark;
    }

    // A channel file this watch or an earlier one wrote, known by which file it is; or one that
    // a scan beside it would have written, with or without a flip.
    bool isOwnOutput(const std::string& name, const std::string& path) const {
        if (written_.contains(path)) return true;
        if (const std::optional<FileIdentity> identity = fileIdentity(path);
            identity && record_.isOutput(*identity, fileState(path).size, name))
            return true;
        const std::vector<std::string> inputs = inputsNamingOutput(name);
        return std::any_of(inputs.begin(), inputs.end(), [&](const std::string& input) { return fileState(prefix_ + input).exists; });
    }

    void split(const std::string& name, const std::string& path, const FileState& before) {
        statusChanged_ = true;
        InputOutcome entry;
        entry.input = path;
        entry.outputs = composeOutputPaths(options_, path);
        bool succeeded = false;
        bool passing = false;  // a failure that may pass: the scan was read, or its output folder is not there
        // No failure of one scan ends the watch: whatever its split throws is its failure.
        try {
            entry.failure = record_.clash(options_, path, prefix_);
            if (entry.failure.empty()) {
                ConsoleHost host(options_, {path}, false);
                ConsolePlatform platform;
                const SplitOutcome outcome = SplitRun(host, platform);
                if (!outcome.inputs.empty()) entry = outcome.inputs.front();
                entry.input = path;
                entry.outputs = composeOutputPaths(options_, path);
                if (entry.failure.empty()) entry.failure = outcome.failure;
                succeeded = outcome.succeeded();
                passing = outcome.outputFolderRefused || entry.scan.has_value();
            }
        } catch (const std::exception& failure) {
            entry.failure = failure.what();
        } catch (...) {
            entry.failure = "the split failed for a reason it did not tell";
        }
        const FileState after = fileState(path);
        if (succeeded) {
            written_.insert(entry.outputs.first);
            written_.insert(entry.outputs.second);
            remember(name, path, before);
        }
        // A scan replaced while it was split is split again once it holds still; a failure then
        // was no failure of the scan that is there now.
        if (after != before) {
            failing_.erase(name);
            if (after.exists) pending_[name] = {after, Clock::now() + settle_};
            statusChanged_ = true;
            if (!succeeded) return;
        }
        const std::string time = localTimestamp();
        if (!succeeded) {
            // Reported once, when the try again confirms it; tried again after longer and longer pauses.
            Failing& failing = failing_[name];
            failing.seen = before;
            failing.tries += 1;
            const auto pause = std::min<std::chrono::milliseconds>(longestRetry, firstRetry * (1LL << std::min(failing.tries - 1, 20)));
            failing.due = Clock::now() + pause;
            if (failing.tries < 2 || failing.reported) return;
            failing.reported = true;
            failing.since = time;
            failing.message = failureLine(path, entry.failure);
            reported_.insert(name);
            statusChanged_ = true;
        } else {
            failing_.erase(name);
            if (reported_.erase(name) > 0) reportEvent("recovered", path + " is split now");
        }
        // A scan that was never read as one is refused; any other failure (writing, a folder
        // not there) may pass.
        const std::string status = succeeded ? "split" : passing ? "failed" : "refused";
        const std::string message = succeeded ? std::string() : failureLine(path, entry.failure);
        std::string text;
        if (json_) {
            // The failure on standard error too, as every failure of a JSON report is.
            if (!succeeded) reportFailure(path, entry.failure);
            text = jsonLine({.input = path, .outputs = entry.outputs, .status = status, .message = message,
                             .changed = entry.changed, .scan = entry.scan, .withTexts = false, .flip = options_, .seconds = entry.seconds, .time = time,
                             .picture = {}, .figures = {}});
        }
        const std::string line = succeeded ? time + " split " + path + " into " + entry.outputs.first + " and " + entry.outputs.second
                                           : time + ' ' + status + ' ' + message;
        writeLine(json_ ? text : line);
        files_.log(line);
    }

    // Keeps the split in the record before it is reported.
    void remember(const std::string& name, const std::string& path, const FileState& before) {
        SplitRecordEntry entry;
        entry.scan = name;
        entry.flip = flipName(options_);
        entry.time = localTimestamp();
        entry.version = programVersionText;
        const OutputPaths outputs = composeOutputPaths(options_, path);
        for (const std::string* output : {&outputs.first, &outputs.second})
            entry.outputs.push_back({.path = *output, .identity = fileIdentity(*output).value_or(FileIdentity{}),
                                     .size = fileState(*output).size});
        std::optional<ScanMark> mark = markOf(path);
        // The scan as it was split: one that changed since is split again anyway.
        if (!mark || mark->size != before.size || mark->modified != before.modified) return;
        entry.mark = *mark;
        marks_.erase(name);
        try {
            record_.add(entry);
        } catch (const std::exception& failure) {
            reportEvent("record-failed", failure.what());
        }
    }

    SplitOptions options_;
    std::string folder_;
    std::string prefix_;  // the folder with its separator, to put a name after
    bool json_;
    SplitRecord& record_;
    WatchFiles& files_;
    std::chrono::milliseconds settle_;
    std::map<std::string, Waiting> pending_;
    std::map<std::string, Failing> failing_;
    std::set<std::string> reported_;  // failed scans that were reported, to report their recovery
    std::map<std::string, Marked> marks_;
    std::set<std::string> written_;  // channel files this run wrote
    bool statusChanged_ = true;
};

}  // namespace

int watchFolder(const CommandLine& commandLine) {
    std::optional<WatchFiles> files;
    try {
        files.emplace(commandLine.watchFolder);
    } catch (const std::exception& failure) {
        reportFailure(commandLine.watchFolder, failure.what());
        return 1;
    }
    // One watch per folder on this machine: a second would split every scan again.
    WatchLock lock(SplitRecord::keyOf(commandLine.watchFolder));
    if (!lock.held()) {
        const std::uint64_t holder = lock.holder();
        reportFailure(commandLine.watchFolder, "another watch splits the scans of this folder already: " +
                                                   (holder != 0 ? "process " + std::to_string(holder) : std::string("another user's process")));
        return 1;
    }
    stopOnRequest();
    SplitRecord& record = files->record();
    const SplitRecord::Found found = record.read();
    FolderSplitter splitter(commandLine, record, *files);
    FolderWatch watch(commandLine.watchFolder, std::chrono::seconds(commandLine.pollSeconds));
    bool watching = false;
    bool looked = false;
    for (;;) {
        const FolderWatch::Changes changes = watch.wait(splitter.untilNextDue());
        if (changes.stop || stopRequested()) break;
        lock.answer();
        if (changes.gone) splitter.reportEvent("gone", "waiting for the folder to come back");
        if (changes.back) splitter.reportEvent("back");
        if (changes.rescan && !watching) {  // the folder is there: the first look at it
            watching = true;
            const auto poll = std::chrono::duration_cast<std::chrono::seconds>(watch.pollInterval()).count();
            splitter.reportEvent("watching", poll > 0 ? "looking every " + std::to_string(poll) + " s" : std::string());
            splitter.openRecord(found);
        }
        if (changes.missed) splitter.reportEvent("rescan", "notifications were lost: looking at every file");
        // A poll's look at the folder is silent; the first and those after lost notifications
        // tell what they found.
        if (changes.rescan) splitter.rescan(!looked || changes.missed || changes.back);
        looked = looked || changes.rescan;
        for (const std::string& name : changes.names) splitter.noticed(name, true);
        splitter.splitWhatIsDue();
    }
    splitter.reportEvent("stopped");
    files->stopped();
    stoppingNow();
    return 0;
}

}  // namespace quillane

#include "cli/WatchFiles.h"

#include "cli/Reporting.h"
#include "platform/StateFolder.h"
#include "platform/WatchLock.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace quillane {
namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

constexpr std::size_t lastEvents = 10;

std::string dumped(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::deque<std::string> lastLines(const std::string& path, std::size_t count) {
    std::deque<std::string> lines;
    std::ifstream file(path, std::ios::binary);
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
        if (lines.size() > count) lines.pop_front();
    }
    return lines;
}

}  // namespace

WatchFiles::WatchFiles(const std::string& folder)
    : record_(folder, programStateFolder()), log_(record_.besideJournal(".log")), status_(record_.besideJournal(".status.json")),
      since_(localTimestamp()) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(log_, error);
    logSize_ = error ? 0 : size;
}

void WatchFiles::log(const std::string& line) {
    if (logSize_ + line.size() + 1 > logLimit) {
        std::error_code error;
        fs::rename(log_, log_ + ".1", error);
        logSize_ = 0;
    }
    appendQuietly(log_, line + '\n');
    logSize_ += line.size() + 1;
}

void WatchFiles::writeStatus(const std::vector<std::string>& waiting, const std::vector<FailingScan>& failing) {
    Json status{{"since", since_}, {"waiting", waiting}, {"failing", Json::array()}};
    for (const FailingScan& scan : failing)
        status["failing"].push_back({{"scan", scan.scan}, {"since", scan.since}, {"message", scan.message}});
    // Written beside and renamed over, so that a reader finds the last status whole.
    const std::string next = status_ + ".new";
    {
        std::ofstream file(next, std::ios::binary | std::ios::trunc);
        file << dumped(status) << '\n';
        if (!file) return;
    }
    std::error_code error;
    fs::rename(next, status_, error);
}

void WatchFiles::stopped() {
    std::error_code error;
    fs::remove(status_, error);
}

int showHistory(const CommandLine& commandLine) {
    try {
        SplitRecord record(commandLine.watchFolder, programStateFolder());
        const SplitRecord::Found found = record.read();
        if (found == SplitRecord::Found::missing) {
            if (!commandLine.json) writeLine("No scan of " + commandLine.watchFolder + " was split by a watch yet.");
            return 0;
        }
        if (found == SplitRecord::Found::damaged)
            reportFailure(record.journalPath(), "some lines of the record could not be read and are left out");
        for (const SplitRecordEntry& entry : record.entries()) {
            if (commandLine.json) {
                writeLine(recordLine(entry));
                continue;
            }
            writeLine(entry.time + ' ' + entry.scan + " into " + entry.outputs[0].path + " and " + entry.outputs[1].path +
                      " (flip " + entry.flip + ", " +
                      (entry.foundInFolder ? "found split in the folder" : "quillane-split " + entry.version) + ")");
        }
        return 0;
    } catch (const std::exception& failure) {
        reportFailure(commandLine.watchFolder, failure.what());
        return 1;
    }
}

int showWatchStatus(const CommandLine& commandLine) {
    try {
        const std::string key = SplitRecord::keyOf(commandLine.watchFolder);
        bool watched = false;
        const std::uint64_t holder = WatchLock::holderOf(key, watched);
        const SplitRecord record(commandLine.watchFolder, programStateFolder());
        Json status = Json::object();
        if (watched) {
            std::ifstream file(record.besideJournal(".status.json"), std::ios::binary);
            status = Json::parse(file, nullptr, false);
            if (status.is_discarded() || !status.is_object()) status = Json::object();
        }
        const std::deque<std::string> events = lastLines(record.besideJournal(".log"), lastEvents);
        if (commandLine.json) {
            Json report{{"folder", commandLine.watchFolder}, {"watched", watched}, {"events", events}};
            if (holder != 0) report["process"] = holder;
            for (const char* field : {"since", "waiting", "failing"})
                if (status.contains(field)) report[field] = status[field];
            writeLine(dumped(report));
            return 0;
        }
        std::string line = commandLine.watchFolder + (watched ? " is watched" : " is not watched");
        if (holder != 0) line += " by process " + std::to_string(holder);
        if (status.contains("since") && status["since"].is_string()) line += " since " + status["since"].get<std::string>();
        writeLine(line);
        if (status.contains("waiting"))
            for (const Json& scan : status["waiting"]) writeLine("waiting " + scan.get<std::string>());
        if (status.contains("failing"))
            for (const Json& scan : status["failing"])
                writeLine("failing since " + scan.value("since", "") + ' ' + scan.value("message", ""));
        if (!events.empty()) writeLine("Last events:");
        for (const std::string& event : events) writeLine(event);
        return 0;
    } catch (const std::exception& failure) {
        reportFailure(commandLine.watchFolder, failure.what());
        return 1;
    }
}

}  // namespace quillane

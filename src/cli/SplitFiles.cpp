#include "cli/SplitFiles.h"

#include "cli/ConsoleHost.h"
#include "cli/Reporting.h"
#include "split/SplitRun.h"

#include <cstdio>
#include <string>
#include <vector>

namespace quillane {
namespace {

const char* statusOf(const InputOutcome& entry) {
    switch (entry.result) {
    case InputOutcome::Result::written: return "split";
    case InputOutcome::Result::repeated: return "repeated";
    default: return "failed";
    }
}

// A file's line of the JSON report.
FileReport reportOf(const InputOutcome& entry, const SplitOptions& options) {
    return {.input = entry.input, .outputs = entry.outputs, .status = statusOf(entry),
            .message = entry.failure.empty() ? std::string() : failureLine(entry.input, entry.failure),
            .changed = entry.changed, .scan = entry.scan, .withTexts = false, .flip = options, .seconds = entry.seconds,
            .time = {}, .picture = {}, .figures = {}};
}

}  // namespace

int splitFiles(const CommandLine& commandLine, bool showProgress) {
    // One run for the whole list, which works out every output before anything is written: no
    // file of this run may replace another's, nor one of its inputs. Each file is reported as
    // soon as the run is done with it.
    std::vector<std::string> failures;
    const auto report = [&](const InputOutcome& entry) {
        if (commandLine.json) writeLine(jsonLine(reportOf(entry, commandLine.options)));
        // Exactly the files that changed: both of a split file, and of a failed one only what
        // could not be put back as it was.
        else for (const std::string& changed : entry.changed) writePath(changed, commandLine.nulSeparated);
        if (entry.result != InputOutcome::Result::failed) return;
        reportFailure(entry.input, entry.failure);
        failures.push_back(entry.input);
    };
    ConsoleHost host(commandLine.options, commandLine.files, showProgress, report);
    ConsolePlatform platform;
    const SplitOutcome outcome = SplitRun(host, platform);

    const auto total = commandLine.files.size();
    if (outcome.outputFolderRefused) {
        // Named in its text, and the same for every file: said once, and each file is not split.
        reportFailure({}, outcome.failure);
        if (commandLine.json) {
            for (const std::string& file : commandLine.files) {
                const InputOutcome refused{.input = file, .outputs = composeOutputPaths(commandLine.options, file),
                                           .result = InputOutcome::Result::failed, .failure = outcome.failure,
                                           .changed = {}, .scan = {}, .seconds = 0};
                writeLine(jsonLine(reportOf(refused, commandLine.options)));
            }
        }
    } else if (commandLine.options.keepGoing && !failures.empty()) {
        std::fprintf(stderr, "quillane-split: %zu of %zu files not split:\n", failures.size(), total);
        for (const std::string& file : failures) std::fprintf(stderr, "  %s\n", file.c_str());
    }
    return outcome.succeeded() ? 0 : 1;
}

}  // namespace quillane

#include "cli/SplitFiles.h"

#include "cli/ConsoleHost.h"
#include "cli/Reporting.h"
#include "split/OutputPlan.h"
#include "split/SplitRun.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace quillane {
namespace {

// A file's line of the JSON report.
FileReport reportOf(const InputOutcome& entry, const SplitOptions& options, const std::string& status, double seconds) {
    return {.input = entry.input, .outputs = entry.outputs, .status = status,
            .message = entry.failure.empty() ? std::string() : failureLine(entry.input, entry.failure),
            .changed = entry.changed, .scan = entry.scan, .withTexts = false, .flip = options, .seconds = seconds,
            .time = {}};
}

}  // namespace

int splitFiles(const CommandLine& commandLine, bool showProgress) {
    // Every output path is known before anything is written: no file of this run may replace
    // another's, nor one of its inputs.
    const std::vector<PlannedInput> plan = planOutputs(commandLine.options, commandLine.files);
    std::vector<std::string> failures;
    for (const PlannedInput& planned : plan) {
        if (planned.action != PlannedAction::refuse) continue;
        reportFailure(planned.input, planned.refusal);
        if (commandLine.json) {
            const InputOutcome refused{.input = planned.input, .outputs = planned.outputs,
                                       .result = InputOutcome::Result::failed, .failure = planned.refusal, .changed = {}, .scan = {}};
            writeLine(jsonLine(reportOf(refused, commandLine.options, "failed", 0)));
        }
        failures.push_back(planned.input);
        if (!commandLine.keepGoing) return 1;
    }

    ConsolePlatform platform;
    // Each file's run knows the others' files too: no output may take the place of any of them.
    RunFiles files;
    files.addInputs(commandLine.files);
    const int total = static_cast<int>(plan.size());
    bool outputFolderRefused = false;
    for (int i = 0; i < total; ++i) {
        const PlannedInput& planned = plan[static_cast<std::size_t>(i)];
        if (planned.action == PlannedAction::skipRepeat && commandLine.json) {
            const InputOutcome repeated{.input = planned.input, .outputs = planned.outputs,
                                        .result = InputOutcome::Result::repeated, .failure = {}, .changed = {}, .scan = {}};
            writeLine(jsonLine(reportOf(repeated, commandLine.options, "repeated", 0)));
        }
        if (planned.action != PlannedAction::split) continue;
        ConsoleHost host(commandLine.options, planned.input, i + 1, total, showProgress);
        const auto start = std::chrono::steady_clock::now();
        const SplitOutcome outcome = SplitRun(host, platform, files);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::vector<InputOutcome> entries = outcome.inputs;
        // A refused output folder ends the run before it takes the file up.
        if (entries.empty())
            entries.push_back({.input = planned.input, .outputs = planned.outputs,
                               .result = InputOutcome::Result::failed, .failure = outcome.failure, .changed = {}, .scan = {}});
        // Exactly the files that changed: both of a split file, and of a failed one only what
        // could not be put back as it was.
        for (const InputOutcome& entry : entries) {
            if (commandLine.json)
                writeLine(jsonLine(reportOf(entry, commandLine.options, outcome.succeeded() ? "split" : "failed", seconds)));
            else
                for (const std::string& changed : entry.changed) writeLine(changed);
        }
        if (outcome.succeeded()) continue;
        host.endProgressLine();
        // A refused output folder is named in its text and concerns every file alike.
        reportFailure(outcome.outputFolderRefused ? std::string() : planned.input, outcome.failure);
        failures.push_back(planned.input);
        // A folder that cannot be entered refuses every file alike: once is enough.
        outputFolderRefused = outcome.outputFolderRefused;
        if (outputFolderRefused || !commandLine.keepGoing) break;
    }

    if (commandLine.keepGoing && !outputFolderRefused && !failures.empty()) {
        std::fprintf(stderr, "quillane-split: %zu of %d files not split:\n", failures.size(), total);
        for (const std::string& file : failures) std::fprintf(stderr, "  %s\n", file.c_str());
    }
    // A script reads the written files from this list: a list cut short (a full disk, a closed
    // pipe) must not pass for a complete one.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fputs("quillane-split: the list of written files could not be written in full\n", stderr);
        return 1;
    }
    return failures.empty() ? 0 : 1;
}

}  // namespace quillane

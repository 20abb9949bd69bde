#include "cli/SplitFiles.h"

#include "cli/ConsoleHost.h"
#include "split/OutputPlan.h"
#include "split/SplitRun.h"

#include <cstdio>
#include <string>
#include <vector>

namespace quillane {
namespace {

// A failure as one line of a log that names its file: the line breaks a system text ends in (or
// holds) become single spaces, and a text that does not begin with the file's name gets it in
// front, as the program's own texts name it ("<file> : <reason>").
std::string failureLine(const std::string& file, const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c != '\r' && c != '\n') line += c;
        else if (!line.empty() && line.back() != ' ') line += ' ';
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    const std::string named = file + " : ";
    if (!file.empty() && line.compare(0, named.size(), named) != 0) line = named + line;
    return line;
}

}  // namespace

void reportFailure(const std::string& file, const std::string& message) {
    std::fprintf(stderr, "quillane-split: %s\n", failureLine(file, message).c_str());
    std::fflush(stderr);
}

int splitFiles(const CommandLine& commandLine, bool showProgress) {
    // Every output path is known before anything is written: no file of this run may replace
    // another's, nor one of its inputs.
    const std::vector<PlannedInput> plan = planOutputs(commandLine.options, commandLine.files);
    std::vector<std::string> failures;
    for (const PlannedInput& planned : plan) {
        if (planned.action != PlannedAction::refuse) continue;
        reportFailure(planned.input, planned.refusal);
        failures.push_back(planned.input);
        if (!commandLine.keepGoing) return 1;
    }

    ConsolePlatform platform;
    const int total = static_cast<int>(plan.size());
    bool outputFolderRefused = false;
    for (int i = 0; i < total; ++i) {
        const PlannedInput& planned = plan[static_cast<std::size_t>(i)];
        if (planned.action != PlannedAction::split) continue;
        ConsoleHost host(commandLine.options, planned.input, i + 1, total, showProgress);
        const SplitOutcome outcome = SplitRun(host, platform);
        if (outcome.succeeded()) {
            for (const InputOutcome& entry : outcome.inputs)
                std::printf("%s\n%s\n", entry.outputs.first.c_str(), entry.outputs.second.c_str());
            std::fflush(stdout);
            continue;
        }
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

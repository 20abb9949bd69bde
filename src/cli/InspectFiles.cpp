#include "cli/InspectFiles.h"

#include "cli/ConsoleHost.h"
#include "cli/Reporting.h"
#include "output/ChannelWriter.h"
#include "platform/FileLocation.h"
#include "scan/UserException.h"
#include "split/OutputPlan.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillane {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Reads one file with `read`; its facts, or its refusal in `failure`.
std::optional<ScanFacts> readWith(const std::function<ScanFacts(const std::string&)>& read, const std::string& file,
                                  std::string& failure) {
    try {
        return read(file);
    } catch (const UserException& refusal) {
        failure = refusal.what();
    } catch (const std::exception&) {
        failure = "This file could not be read";
    }
    return std::nullopt;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
    return text;
}

void writeInfoText(const std::string& file, const ScanFacts& facts) {
    writeLine(file);
    writeLine("  size:          " + std::to_string(facts.width) + " x " + std::to_string(facts.height) + " pixels");
    writeLine("  channels:      " + std::to_string(facts.channelCount) +
              (facts.colours.empty() ? std::string() : " (" + joined(facts.colours) + ")"));
    writeLine("  pixel size:    " + number(facts.pixelSizeX) + " x " + number(facts.pixelSizeY) + " micrometres");
    writeLine("  host computer: " + facts.hostComputer);
    writeLine("  model:         " + facts.model);
    writeLine("  make:          " + facts.make);
    writeLine("  software:      " + facts.software);
    writeLine("  artist:        " + facts.artist);
    writeLine("  date and time: " + facts.dateTime);
    writeLine("  description:   " + facts.description);
}

// The outputs' refusal as the split would give it before writing anything; empty when none.
std::string outputRefusal(const OutputPaths& outputs) {
    try {
        ChannelWriter::checkOutput(outputs.first);
        ChannelWriter::checkOutput(outputs.second);
    } catch (const UserException& refusal) {
        return refusal.what();
    }
    return {};
}

}  // namespace

int checkFiles(const CommandLine& commandLine) {
    // A check writes nothing, not even the probe that asks a folder how it compares names.
    learnCaseWithoutWriting();
    const SplitOptions& options = commandLine.options;
    // An output folder that cannot be entered refuses every file alike, as the split does.
    std::string folderRefusal;
    if (!options.writeBack && !options.outputFolder.empty()) {
        ConsolePlatform platform;
        const std::string saved = platform.currentDirectory();
        if (platform.changeDirectory(options.outputFolder)) platform.changeDirectory(saved);
        else folderRefusal = outputFolderRefusal(options.outputFolder);
    }

    int refused = 0;
    for (const PlannedInput& planned : planOutputs(options, commandLine.files)) {
        const auto start = Clock::now();
        std::string failure = planned.action == PlannedAction::refuse ? planned.refusal : folderRefusal;
        std::optional<ScanFacts> facts;
        if (planned.action != PlannedAction::skipRepeat) {
            std::string readFailure;
            facts = readWith(checkScan, planned.input, readFailure);
            if (failure.empty()) failure = readFailure;
            if (failure.empty() && planned.action == PlannedAction::split) failure = outputRefusal(planned.outputs);
        }
        const std::string status = !failure.empty()                                  ? "refused"
                                   : planned.action == PlannedAction::skipRepeat ? "repeated"
                                                                                 : "valid";
        if (!failure.empty()) {
            ++refused;
            reportFailure(planned.input, failure);
        }
        if (commandLine.json) {
            writeLine(jsonLine({.input = planned.input, .outputs = planned.outputs, .status = status,
                                .message = failure.empty() ? std::string() : failureLine(planned.input, failure),
                                .changed = std::nullopt, .scan = facts, .withTexts = false, .flip = options, .seconds = secondsSince(start),
                                .time = {}, .picture = {}, .figures = {}}));
        } else if (failure.empty()) {
            writeLine(planned.input + " : " + status);
        }
    }
    return refused == 0 ? 0 : 1;
}

int showInfo(const CommandLine& commandLine) {
    int refused = 0;
    for (const std::string& file : commandLine.files) {
        const auto start = Clock::now();
        std::string failure;
        const std::optional<ScanFacts> facts = readWith(readScanFacts, file, failure);
        if (!facts) {
            ++refused;
            reportFailure(file, failure);
        }
        if (commandLine.json) {
            writeLine(jsonLine({.input = file, .outputs = std::nullopt, .status = facts ? "read" : "refused",
                                .message = facts ? std::string() : failureLine(file, failure), .changed = std::nullopt, .scan = facts,
                                .withTexts = true, .flip = std::nullopt, .seconds = secondsSince(start), .time = {}, .picture = {}, .figures = {}}));
        } else if (facts) {
            writeInfoText(file, *facts);
        }
    }
    return refused == 0 ? 0 : 1;
}

}  // namespace quillane

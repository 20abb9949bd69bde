#include "split/SplitRun.h"

#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "split/OutputPlan.h"
#include "split/SplitChecks.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillane {
namespace {

constexpr const char* failureCaption = "Cannot Split this tiff";
constexpr const char* unknownFailure = "An Unknown Exception occurred - please try again";
constexpr int pauseAfterEachFile = 2000;  // milliseconds

// Shows the wait cursor for as long as it lives, so that every way out of an entry,
// failures included, withdraws it.
class WaitCursor {
public:
    explicit WaitCursor(SplitHost& host) : host_(host) { host_.beginWaitCursor(); }
    ~WaitCursor() { host_.endWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    SplitHost& host_;
};

// Splits one input into its two files, driving the progress bar through positions 1 to 10;
// every failure arrives as an exception. The scan and its flip buffers are owned by this
// scope, so they are released before the caller shows a message. The scan's facts are kept
// in the entry once it has been read.
void splitOne(InputOutcome& entry, const SplitOptions& options, ProgressSink& progress, RunFiles& files) {
    const std::string& path = entry.input;
    const OutputPaths& outputs = entry.outputs;
    const auto scan = std::make_unique<ScanImage>();
    scan->open(path);
    progress.setPosition(1);
    scan->parse();
    progress.setPosition(2);
    entry.scan = factsOf(*scan);
    scan->requireTwoChannels();

    // Each channel is flipped band by band as it is written, never copied whole first.
    if (options.flip) scan->flipWhenWritten(options.mainDiagonal);
    progress.setPosition(3);
    progress.setPosition(4);
    progress.setPosition(5);

    // Both files are written whole before either takes its name, so that they replace what stood
    // there together or not at all.
    scan->writeChannelUnnamed(outputs.first, 0);
    progress.setPosition(6);
    progress.setPosition(7);

    scan->writeChannelUnnamed(outputs.second, 1);
    progress.setPosition(8);
    progress.setPosition(9);

    // What stands where they go, looked at just before they go there, must be none of the run's
    // own files, by what it is rather than how it is named.
    if (const std::string refusal = files.clash(path, outputs); !refusal.empty()) throw UserException(refusal);
    scan->nameChannelFiles(entry.changed);
    files.addWritten(path, outputs);

    scan->close();
    progress.setPosition(10);
}

}  // namespace

bool SplitOutcome::succeeded() const {
    if (outputFolderRefused || stopped || !failure.empty()) return false;
    return std::all_of(inputs.begin(), inputs.end(), [](const InputOutcome& entry) {
        return entry.result == InputOutcome::Result::written || entry.result == InputOutcome::Result::repeated;
    });
}

SplitOutcome SplitRun(SplitHost& host, SplitPlatform& platform) {
    RunFiles files;
    return SplitRun(host, platform, files);
}

SplitOutcome SplitRun(SplitHost& host, SplitPlatform& platform, RunFiles& files) {
    SplitOutcome outcome;
    // The options are pulled from the window even when there is nothing to split.
    const SplitOptions options = host.readOptions();
    const int count = host.inputCount();
    if (count <= 0) return outcome;

    // Test once that the output folder can be entered; the current directory is always put back.
    const bool intoFolder = !options.writeBack && !options.outputFolder.empty();
    if (intoFolder) {
        const std::string saved = platform.currentDirectory();
        const bool entered = platform.changeDirectory(options.outputFolder);
        if (!entered) {
            outcome.outputFolderRefused = true;
            outcome.failure = outputFolderRefusal(options.outputFolder);
            host.showMessage(outcome.failure, failureCaption);
        }
        platform.changeDirectory(saved);
        if (!entered) return outcome;
    }

    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) paths.push_back(host.inputPath(i));
    const std::vector<PlannedInput> plan = planOutputs(options, paths);
    files.addInputs(paths);
    for (const PlannedInput& planned : plan) {
        outcome.inputs.push_back({.input = planned.input, .outputs = planned.outputs,
                                  .result = InputOutcome::Result::notReached, .failure = {}, .changed = {},
                                  .scan = {}});
    }

    // Nothing is written when any input would destroy another's files.
    const auto clash = std::find_if(plan.begin(), plan.end(),
                                    [](const PlannedInput& planned) { return planned.action == PlannedAction::refuse; });
    if (clash != plan.end()) {
        InputOutcome& refused = outcome.inputs[static_cast<std::size_t>(clash - plan.begin())];
        refused.result = InputOutcome::Result::failed;
        refused.failure = clash->refusal;
        outcome.failure = clash->refusal;
        host.showMessage(outcome.failure, failureCaption);
        return outcome;
    }

    ProgressSink& progress = host.progress();
    for (int i = 0; i < count; ++i) {
        InputOutcome& entry = outcome.inputs[static_cast<std::size_t>(i)];
        if (plan[static_cast<std::size_t>(i)].action == PlannedAction::skipRepeat) {
            entry.result = InputOutcome::Result::repeated;
            continue;
        }
        try {
            host.selectInput(i);
            const WaitCursor waitCursor(host);
            host.setStatusText("Splitting:  " + entry.input);
            host.redrawNow();
            progress.setRange(0, 10);
            splitOne(entry, options, progress, files);
            entry.result = InputOutcome::Result::written;
            platform.pause(pauseAfterEachFile);
        } catch (const UserException& failure) {
            entry.failure = failure.what();
        } catch (...) {
            entry.failure = unknownFailure;
        }
        if (entry.result != InputOutcome::Result::written) {
            entry.result = InputOutcome::Result::failed;
            outcome.failure = entry.failure;
            progress.setPosition(0);
            host.showMessage(outcome.failure, failureCaption);
            return outcome;
        }
        if (host.stopRequested()) {  // the file is whole; the next one is not begun
            outcome.stopped = true;
            return outcome;
        }
    }

    host.showMessage("Successfully created files ", "Done!");
    progress.setPosition(0);
    host.setStatusText("");
    host.redrawNow();
    return outcome;
}

}  // namespace quillane

#include "split/SplitRun.h"

#include "output/ChannelWriter.h"
#include "platform/FileSystemCalls.h"
#include "platform/ProgressObserver.h"
#include "scan/ScanImage.h"
#include "scan/UserException.h"
#include "split/OutputPlan.h"
#include "split/SplitChecks.h"

#include <algorithm>
#include <chrono>
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

// By the file layer's clock, which a test's slow disk keeps.
double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(fileSystemTime() - start).count();
}

// Thrown from within the work on a file when the host asks the run to stop: the file is let go
// of as after a failure, but it is no failure.
struct RunStopped {};

// The bar as the run moves it. Long work shows the same position again now and then, which
// lets the window be serviced, and a stop asked for meanwhile ends that work.
class Stages {
public:
    explicit Stages(SplitHost& host) : host_(host), progress_(host.progress()) {}
    // A stage of the work on a file reached: a stop asked for there abandons the file.
    void reach(int position) {
        show(position);
        stopIfAsked();
    }
    // The file is whole and named: a stop asked for now is answered before the next file.
    void show(int position) {
        position_ = position;
        progress_.setPosition(position);
    }
    void stillWorking() {
        progress_.setPosition(position_);
        stopIfAsked();
    }
    void stopIfAsked() {
        if (host_.stopRequested()) throw RunStopped{};
    }

private:
    SplitHost& host_;
    ProgressSink& progress_;
    int position_ = 0;
};

// Splits one input into its two files, driving the progress bar through positions 1 to 10;
// every failure arrives as an exception. The scan and its flip buffers are owned by this
// scope, so they are released before the caller shows a message. The scan's facts are kept
// in the entry once it has been read.
void splitOne(InputOutcome& entry, const SplitOptions& options, Stages& stages, RunFiles& files) {
    const std::string& path = entry.input;
    const OutputPaths& outputs = entry.outputs;
    ProgressObserver observer([&stages] { stages.stillWorking(); });
    const auto scan = std::make_unique<ScanImage>();
    scan->open(path);
    stages.reach(1);
    scan->parse();
    stages.reach(2);
    entry.scan = factsOf(*scan);
    scan->requireTwoChannels();

    ChannelWriter writer(*scan, &observer);
    // Each channel is flipped band by band as it is written, never copied whole first.
    if (options.flip) writer.flipWhenWritten(options.mainDiagonal);
    stages.reach(3);
    stages.reach(4);
    stages.reach(5);

    // Both files are written whole before either takes its name, so that they replace what stood
    // there together or not at all.
    writer.writeChannelToCommit(outputs.first, 0);
    stages.reach(6);
    stages.reach(7);

    writer.writeChannelToCommit(outputs.second, 1);
    stages.reach(8);
    stages.reach(9);

    // What stands where they go, looked at just before they go there, must be none of the run's
    // own files, by what it is rather than how it is named.
    if (const std::string refusal = files.clash(path, outputs); !refusal.empty()) throw UserException(refusal);
    writer.commitChannelFiles(entry.changed);
    files.addWritten(path, outputs);

    scan->close();
    stages.show(10);
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
                                  .scan = {}, .seconds = 0});
    }

    // Nothing is written when any input would destroy another's files, unless the run keeps
    // going: then each such input is refused in its turn and the others are split.
    const auto clash = std::find_if(plan.begin(), plan.end(),
                                    [](const PlannedInput& planned) { return planned.action == PlannedAction::refuse; });
    if (clash != plan.end() && !options.keepGoing) {
        InputOutcome& refused = outcome.inputs[static_cast<std::size_t>(clash - plan.begin())];
        refused.result = InputOutcome::Result::failed;
        refused.failure = clash->refusal;
        outcome.failure = clash->refusal;
        host.showMessage(outcome.failure, failureCaption);
        host.inputDone(refused);
        return outcome;
    }

    ProgressSink& progress = host.progress();
    Stages stages(host);
    bool anyFailed = false;
    for (int i = 0; i < count; ++i) {
        InputOutcome& entry = outcome.inputs[static_cast<std::size_t>(i)];
        const PlannedInput& planned = plan[static_cast<std::size_t>(i)];
        if (planned.action == PlannedAction::skipRepeat) {
            entry.result = InputOutcome::Result::repeated;
            host.inputDone(entry);
            continue;
        }
        if (planned.action == PlannedAction::refuse) {
            entry.failure = planned.refusal;
        } else {
            const auto started = fileSystemTime();
            try {
                host.selectInput(i);
                const WaitCursor waitCursor(host);
                host.setStatusText("Splitting:  " + entry.input);
                host.redrawNow();
                progress.setRange(0, 10);
                splitOne(entry, options, stages, files);
                entry.result = InputOutcome::Result::written;
                entry.seconds = secondsSince(started);
                platform.pause(pauseAfterEachFile);
            } catch (const RunStopped&) {
                // The file under way is abandoned whole; the files before it stay.
                entry.result = InputOutcome::Result::stopped;
            } catch (const UserException& failure) {
                entry.failure = failure.what();
            } catch (...) {
                entry.failure = unknownFailure;
            }
            if (entry.result != InputOutcome::Result::written) entry.seconds = secondsSince(started);
        }
        if (entry.result == InputOutcome::Result::stopped) {
            outcome.stopped = true;
            host.inputDone(entry);
            return outcome;
        }
        if (entry.result != InputOutcome::Result::written) {
            entry.result = InputOutcome::Result::failed;
            anyFailed = true;
            progress.setPosition(0);
            host.showMessage(entry.failure, failureCaption);
            host.inputDone(entry);
            if (!options.keepGoing) {
                outcome.failure = entry.failure;
                return outcome;
            }
            continue;
        }
        host.inputDone(entry);
        if (host.stopRequested()) {  // the file is whole; the next one is not begun
            outcome.stopped = true;
            return outcome;
        }
    }

    // A run that kept going past a failure has shown it; it ends without the closing message.
    if (!anyFailed) host.showMessage("Successfully created files ", "Done!");
    progress.setPosition(0);
    host.setStatusText("");
    host.redrawNow();
    return outcome;
}

}  // namespace quillane

#pragma once

#include "split/SplitHost.h"

#include <functional>
#include <string>
#include <vector>

namespace quillane::testing {

// A window stand-in that answers from plain fields and writes down every call, in order, as a
// short line of text ("selectInput 1", "position 4", "message Done!: ...").
class RecordingHost final : public SplitHost, public ProgressSink {
public:
    SplitOptions options;
    std::vector<std::string> inputs;
    std::vector<std::string> calls;
    // Runs inside showMessage / selectInput, for tests that look at the world at that moment.
    std::function<void(const std::string& text)> onMessage;
    std::function<void(int i)> onSelect;
    // Runs inside setPosition, for tests that change the world between two steps of a run.
    std::function<void(int pos)> onPosition;
    // Answers stopRequested, which is not written down: the calls stay those of a plain run.
    std::function<bool()> stop;

    SplitOptions readOptions() override;
    int inputCount() override;
    std::string inputPath(int i) override;
    void selectInput(int i) override;
    void setStatusText(const std::string& text) override;
    void redrawNow() override;
    void showMessage(const std::string& text, const std::string& caption) override;
    void beginWaitCursor() override;
    void endWaitCursor() override;
    ProgressSink& progress() override { return *this; }
    bool stopRequested() override { return stop && stop(); }
    void setRange(int low, int high) override;
    void setPosition(int pos) override;

    // The calls from the first one equal to `from` on (all of them when `from` is empty).
    std::vector<std::string> callsFrom(const std::string& from) const;
    bool called(const std::string& call) const;
};

// The process's real current directory behind a recorder; pauses are written down, never
// slept. Its calls go into the host's list, so that the two interleave as they happened.
class RecordingPlatform final : public SplitPlatform {
public:
    explicit RecordingPlatform(RecordingHost& host) : calls(host.calls) {}
    std::vector<std::string>& calls;
    std::string currentDirectory() override;
    bool changeDirectory(const std::string& path) override;
    void pause(int milliseconds) override;
};

}  // namespace quillane::testing

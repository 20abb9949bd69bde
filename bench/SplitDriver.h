#pragma once

#include "split/SplitHost.h"

#include <string>
#include <utility>
#include <vector>

// The split run without a window: a host that hands over fixed options and inputs, shows
// nothing and remembers whether the run ended in "Done!", and the process's own directory
// operations without the pause after each file.
namespace quillane::bench {

class NullProgress final : public ProgressSink {
public:
    void setRange(int, int) override {}
    void setPosition(int) override {}
};

class NullSplitHost final : public SplitHost {
public:
    NullSplitHost(SplitOptions options, std::vector<std::string> inputs)
        : options_(std::move(options)), inputs_(std::move(inputs)) {}

    SplitOptions readOptions() override { return options_; }
    int inputCount() override { return static_cast<int>(inputs_.size()); }
    std::string inputPath(int i) override { return inputs_.at(static_cast<std::size_t>(i)); }
    void selectInput(int) override {}
    void setStatusText(const std::string&) override {}
    void redrawNow() override {}
    void showMessage(const std::string& text, const std::string& caption) override {
        done_ = caption == "Done!";
        lastMessage_ = caption + ": " + text;
    }
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    ProgressSink& progress() override { return progress_; }

    bool done() const { return done_; }
    const std::string& lastMessage() const { return lastMessage_; }

private:
    SplitOptions options_;
    std::vector<std::string> inputs_;
    NullProgress progress_;
    bool done_ = false;
    std::string lastMessage_;
};

class NoPausePlatform final : public SplitPlatform {
public:
    std::string currentDirectory() override { return systemSplitPlatform().currentDirectory(); }
    bool changeDirectory(const std::string& path) override { return systemSplitPlatform().changeDirectory(path); }
    void pause(int) override {}
};

}  // namespace quillane::bench

#pragma once

#include "split/SplitHost.h"

#include <string>

namespace quillane {

// The split run's host in a console: it lists one input file and shows the run's stages as a
// bar on standard error when asked to. What the run says to a window is not shown: the caller
// reports the run's outcome itself.
class ConsoleHost final : public SplitHost, public ProgressSink {
public:
    // `number` of `total` is what the progress line counts; the bar appears only with
    // `showProgress`.
    ConsoleHost(SplitOptions options, std::string file, int number, int total, bool showProgress);

    SplitOptions readOptions() override { return options_; }
    int inputCount() override { return 1; }
    std::string inputPath(int) override { return file_; }
    void selectInput(int) override {}
    void setStatusText(const std::string&) override {}
    void redrawNow() override {}
    void showMessage(const std::string& text, const std::string& caption) override;
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    ProgressSink& progress() override { return *this; }

    void setRange(int, int) override {}
    void setPosition(int pos) override;

    // Ends an unfinished progress line, so that what is written next starts a line of its own.
    void endProgressLine();

private:
    SplitOptions options_;
    std::string file_;
    int number_;
    int total_;
    bool showProgress_;
    bool progressLineOpen_ = false;
};

// The process's own current directory, without the pause the window makes after each file for
// a person to watch.
class ConsolePlatform final : public SplitPlatform {
public:
    std::string currentDirectory() override { return systemSplitPlatform().currentDirectory(); }
    bool changeDirectory(const std::string& path) override { return systemSplitPlatform().changeDirectory(path); }
    void pause(int) override {}
};

}  // namespace quillane

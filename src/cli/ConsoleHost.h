#pragma once

#include "split/SplitHost.h"

#include <functional>
#include <string>
#include <vector>

namespace quillane {

// The split run's host in a console: it lists the files to split, shows the run's stages as a
// bar on standard error when asked to, and hands each file's outcome on as the run is done with
// it. What the run says to a window is not shown: the caller reports the outcomes itself.
class ConsoleHost final : public SplitHost, public ProgressSink {
public:
    using Report = std::function<void(const InputOutcome&)>;
    // The bar appears only with `showProgress`; `report`, when given, hears of every file.
    ConsoleHost(SplitOptions options, std::vector<std::string> files, bool showProgress, Report report = {});

    SplitOptions readOptions() override { return options_; }
    int inputCount() override { return static_cast<int>(files_.size()); }
    std::string inputPath(int i) override { return files_.at(static_cast<std::size_t>(i)); }
    void selectInput(int i) override { current_ = i; }
    void setStatusText(const std::string&) override {}
    void redrawNow() override {}
    void showMessage(const std::string& text, const std::string& caption) override;
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    ProgressSink& progress() override { return *this; }
    void inputDone(const InputOutcome& outcome) override;

    void setRange(int, int) override {}
    void setPosition(int pos) override;

    // Ends an unfinished progress line, so that what is written next starts a line of its own.
    void endProgressLine();

private:
    SplitOptions options_;
    std::vector<std::string> files_;
    bool showProgress_;
    Report report_;
    int current_ = 0;
    int shownPosition_ = -1;  // the bar is drawn again only when it moves
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

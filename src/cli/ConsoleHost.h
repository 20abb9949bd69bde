#pragma once

#include "split/SplitHost.h"

#include <string>

namespace quillane {

// The split run's host in a console: it lists one input file, shows the run's stages as a bar
// on standard error when asked to, and writes the run's failure message there, prefixed with
// the program's name. Nothing else the run says to the window is shown.
class ConsoleHost final : public SplitHost, public ProgressSink {
public:
    // `number` of `total` is what the progress line counts; the bar appears only with
    // `showProgress`.
    ConsoleHost(SplitOptions options, std::string file, int number, int total, bool showProgress);

    SplitOptions readOptions() override { return options_; }
    int inputCount() override { return 1; }
    std::string inputPath(int) override { return file_; }
    void selectInput(int) override { reachedFile_ = true; }
    void setStatusText(const std::string&) override {}
    void redrawNow() override {}
    void showMessage(const std::string& text, const std::string& caption) override;
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    ProgressSink& progress() override { return *this; }

    void setRange(int, int) override {}
    void setPosition(int pos) override;

    // The run ended with its success message.
    bool succeeded() const { return succeeded_; }
    // The run refused before taking up the file: the output folder cannot be entered.
    bool refusedOutputFolder() const { return !succeeded_ && !reachedFile_; }

private:
    void endProgressLine();

    SplitOptions options_;
    std::string file_;
    int number_;
    int total_;
    bool showProgress_;
    bool progressLineOpen_ = false;
    bool reachedFile_ = false;
    bool succeeded_ = false;
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

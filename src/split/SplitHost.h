#pragma once

#include <string>

namespace quillane {

struct InputOutcome;

// The options a split run reads once, at its start: the window's four, and how a run of many
// files treats one it cannot split.
struct SplitOptions {
    std::string outputFolder;
    bool writeBack = false;
    bool flip = false;
    bool mainDiagonal = false;
    // A file that is refused or fails does not end the run: the files after it are split, and an
    // input whose outputs would clash with another's is refused alone, the later of the two.
    // Without it (the window) the first failure ends the run, and a clash refuses the whole run
    // before anything is written.
    bool keepGoing = false;
};

// The window's progress bar, as the run drives it.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setRange(int low, int high) = 0;
    virtual void setPosition(int pos) = 0;
};

// The window side of a split run.
class SplitHost {
public:
    virtual ~SplitHost() = default;
    virtual SplitOptions readOptions() = 0;
    virtual int inputCount() = 0;
    virtual std::string inputPath(int i) = 0;
    virtual void selectInput(int i) = 0;
    virtual void setStatusText(const std::string& text) = 0;
    virtual void redrawNow() = 0;
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    virtual void beginWaitCursor() = 0;
    virtual void endWaitCursor() = 0;
    // Long work within a stage gives the bar its position again every tenth of a second or so,
    // so that a window can be serviced there; it adds no position of its own.
    virtual ProgressSink& progress() = 0;
    // Asked after each file, and every tenth of a second or so while one is written: true when
    // the user has asked the run to stop (the window is being closed). The run then abandons the
    // file under way, or ends before the next file, without its closing message.
    virtual bool stopRequested() { return false; }
    // Told once the run is done with an input, whatever became of it (written, refused, failed,
    // split earlier in the list): a caller that reports each file as it goes reads it here.
    virtual void inputDone(const InputOutcome&) {}
};

// What the run needs of the process: its current directory, to test whether the output folder
// can be entered, and a pause. The real one uses the process's current directory and sleeps;
// the window's own pause handles the window's messages meanwhile instead.
class SplitPlatform {
public:
    virtual ~SplitPlatform() = default;
    virtual std::string currentDirectory() = 0;
    virtual bool changeDirectory(const std::string& path) = 0;
    virtual void pause(int milliseconds) = 0;
};

SplitPlatform& systemSplitPlatform();

}  // namespace quillane

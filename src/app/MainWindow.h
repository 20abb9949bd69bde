#pragma once

#include "app/AboutBox.h"
#include "app/Choosers.h"
#include "app/DialogControls.h"
#include "app/SettingsStore.h"
#include "app/VersionInfo.h"
#include "split/SplitHost.h"

#include <string>
#include <vector>

namespace quillane {

class DataExchange;

// What the window reaches outside its own controls: the choosers, the message boxes, the
// About box, the settings store, the version resource and the process's current directory (for
// the split run and the folder test; the pause after each file is the window's own).
struct WindowServices {
    FileChooser* files = nullptr;
    FolderChooser* folders = nullptr;
    MessageBoxes* messages = nullptr;
    AboutBoxDialog* about = nullptr;
    SettingsStore* settings = nullptr;
    VersionSource* version = nullptr;
    SplitPlatform* platform = nullptr;
};

// The program's one working window, from dialog template 102, without its toolkit: its state
// lives in the plain fields below, UpdateData copies them to and from the controls, and every
// handler works on the fields. A front end creates the controls, calls the handlers when the
// user acts and carries out what the handlers ask of the controls. It serves the split run as
// its SplitHost.
class MainWindow : public SplitHost {
public:
    MainWindow(DialogControls& controls, const WindowServices& services);

    // Handlers.
    bool OnInitDialog();
    void OnBrowseInput();
    // Files and folders dropped on the window: they fill the list as the files chosen with
    // Browse do. A folder stands for the scans directly inside it (its .tif and .tiff files but
    // the channel files split from them), in the file manager's name order; paths that are
    // neither are left out.
    void OnDropFiles(const std::vector<std::string>& paths);
    // The files the program is started with ("Open with", the command line): as a drop, but a
    // path that names no file or folder is listed as given, so that the split says why.
    void OnOpenFiles(const std::vector<std::string>& paths);
    void OnBrowseOutput();
    void OnOutputFolderKillFocus();
    void OnFlipClicked();
    void OnOppositeDiagonalClicked();
    void OnMainDiagonalClicked();
    void OnWriteBackClicked();
    // True when the command was the window's own (About); the front end handles the rest.
    bool OnSysCommand(unsigned id);
    // "Split Tiff" and Enter. While the run is under way the window keeps handling its messages;
    // its buttons, options and drops are disabled and do nothing then, and closing it stops the run.
    void OnOK();
    // Cancel, Escape and the close command end the dialog; during a run they end it once the
    // run has stopped and abandoned the file under way.
    void OnCancel();
    bool running() const { return running_; }

    void LoadSettings();
    void SaveSettings();
    void UpdateData(bool saveAndValidate);
    void DoDataExchange(DataExchange& exchange);

    // SplitHost.
    SplitOptions readOptions() override;
    int inputCount() override;
    std::string inputPath(int i) override;
    void selectInput(int i) override;
    void setStatusText(const std::string& text) override;
    void redrawNow() override;
    void showMessage(const std::string& text, const std::string& caption) override;
    void beginWaitCursor() override;
    void endWaitCursor() override;
    ProgressSink& progress() override;
    bool stopRequested() override { return stopping_; }

    // Control fields, attached by the data exchange.
    DialogItem outputFolderEdit;
    DialogItem outputBrowseButton;
    DialogItem oppositeDiagonalRadio;
    DialogItem mainDiagonalRadio;
    DialogItem inputList;
    DialogItem progressBar;

    // Value fields.
    std::string outputFolder;
    int flip = 0;
    int mainDiagonal = -1;      // 0 when its radio button is checked, -1 when not
    int oppositeDiagonal = -1;  // likewise
    int writeBack = 0;
    std::string statusText;
    std::string lastInputFolder;
    std::string lastInputPath;
    std::string lastOutputFolder;

private:
    void fillFromPaths(const std::vector<std::string>& paths, bool keepOthers);
    void replaceInputList(const std::vector<std::string>& paths);
    bool optionsHeldByRun();
    void showRunning(bool running);

    // The process for the run's folder test; the pause after each file handles the window's
    // messages and ends early when the window is being closed.
    class RunPlatform final : public SplitPlatform {
    public:
        explicit RunPlatform(MainWindow& window) : window_(window) {}
        std::string currentDirectory() override;
        bool changeDirectory(const std::string& path) override;
        void pause(int milliseconds) override;

    private:
        MainWindow& window_;
    };

    class ProgressBarSink final : public ProgressSink {
    public:
        explicit ProgressBarSink(DialogControls& controls) : controls_(controls) {}
        void setRange(int low, int high) override;
        void setPosition(int pos) override;

    private:
        DialogControls& controls_;
    };

    DialogControls& controls_;
    WindowServices services_;
    ProgressBarSink progress_{controls_};
    RunPlatform runPlatform_{*this};
    bool running_ = false;
    bool stopping_ = false;
};

}  // namespace quillane

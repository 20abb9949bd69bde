#include "app/MainWindow.h"

#include "app/DataExchange.h"
#include "app/DialogTemplate.h"
#include "app/FolderBrowser.h"
#include "platform/FolderListing.h"
#include "platform/Process.h"
#include "split/OutputNaming.h"
#include "split/SplitRun.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace quillane {
namespace {

// Leading and trailing blanks, tabs and line breaks removed.
std::string trimmed(const std::string& text) {
    constexpr const char* blanks = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The open-file dialog's buffers hold 260 characters of the remembered paths.
std::string pathBuffer(const std::string& path) {
    return path.substr(0, 260);
}

bool isTiffName(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".tif" || extension == ".tiff";
}

// The channel files a split of `scan` writes beside it, with each flip's suffix and without.
std::vector<std::string> outputsBeside(const std::string& scan) {
    std::vector<std::string> outputs;
    for (const auto& [flip, mainDiagonal] : {std::pair{false, false}, std::pair{true, true}, std::pair{true, false}}) {
        SplitOptions options;
        options.writeBack = true;
        options.flip = flip;
        options.mainDiagonal = mainDiagonal;
        const OutputPaths paths = composeOutputPaths(options, scan);
        outputs.push_back(paths.first);
        outputs.push_back(paths.second);
    }
    return outputs;
}

// The scans in a folder: its .tif and .tiff files, but not the channel files a split of one of
// them wrote beside it (Red<name>, Green<name>), which would only be refused; in the order the
// file manager shows them.
std::vector<std::string> scansInFolder(const std::string& folder) {
    std::vector<std::string> tiffs = filesInFolder(folder);
    std::erase_if(tiffs, [](const std::string& path) { return !isTiffName(path); });
    std::vector<std::string> outputs;
    for (const std::string& tiff : tiffs) {
        const std::vector<std::string> written = outputsBeside(tiff);
        outputs.insert(outputs.end(), written.begin(), written.end());
    }
    std::sort(outputs.begin(), outputs.end());
    std::erase_if(tiffs, [&](const std::string& path) { return std::binary_search(outputs.begin(), outputs.end(), path); });
    std::sort(tiffs.begin(), tiffs.end(), namedBefore);
    return tiffs;
}

// The files a dropped path stands for: a file itself, a folder its scans, anything else (gone,
// a device) nothing, or, for a path the program was started with, the path itself, so that the
// split says why it cannot be split.
std::vector<std::string> filesFor(const std::string& path, bool keepOthers) {
    switch (pathKind(path)) {
    case PathKind::file: return {path};
    case PathKind::folder: return scansInFolder(path);
    default:
        if (keepOthers && !path.empty()) return {path};
        return {};
    }
}

}  // namespace

MainWindow::MainWindow(DialogControls& controls, const WindowServices& services)
    : controls_(controls), services_(services) {}

bool MainWindow::OnInitDialog() {
    UpdateData(false);  // attaches the control fields and fills the controls

    const std::string aboutItem = loadString(aboutMenuStringId);
    if (!aboutItem.empty()) controls_.addMenuCommand(aboutCommand, aboutItem);

    controls_.setWindowText(versionCaption(controls_.windowText(), services_.version->load()));

    LoadSettings();
    UpdateData(false);
    return true;  // the first tab stop, "Split Tiff", takes the focus
}

void MainWindow::DoDataExchange(DataExchange& exchange) {
    exchange.control(idOutputFolder, outputFolderEdit);
    exchange.control(idBrowseOutput, outputBrowseButton);
    exchange.control(idOppositeDiagonal, oppositeDiagonalRadio);
    exchange.control(idMainDiagonal, mainDiagonalRadio);
    exchange.control(idInputList, inputList);
    exchange.control(idProgress, progressBar);
    exchange.text(idOutputFolder, outputFolder);
    exchange.check(idFlip, flip);
    exchange.radio(idMainDiagonal, mainDiagonal);
    exchange.radio(idOppositeDiagonal, oppositeDiagonal);
    exchange.check(idWriteBack, writeBack);
    exchange.text(idStatus, statusText);
}

void MainWindow::UpdateData(bool saveAndValidate) {
    DataExchange exchange(controls_, mainDialogTemplate(), saveAndValidate);
    DoDataExchange(exchange);
}

void MainWindow::LoadSettings() {
    SettingsStore& store = *services_.settings;
    lastInputPath = store.read(lastInputPathSetting);
    lastInputFolder = store.read(lastInputFolderSetting);
    outputFolder = store.read(lastOutputFolderSetting);
    lastOutputFolder = store.read(lastOutputFolderSetting);
}

void MainWindow::SaveSettings() {
    SettingsStore& store = *services_.settings;
    store.write(lastInputPathSetting, lastInputPath);
    store.write(lastInputFolderSetting, lastInputFolder);
    store.write(lastOutputFolderSetting, outputFolder);
}

void MainWindow::OnBrowseInput() {
    if (running_) return;
    UpdateData(true);
    LoadSettings();  // the store, not this window, has the last word on the remembered paths

    OpenFilesRequest request;
    request.title = "Select Tiff";
    request.filters = {{"Tiff files (*.tif;*.tiff)", "*.tif;*.tiff"}, {"All Files (*.*)", "*.*"}};
    request.selectedFilter = 0;
    request.initialFolder = pathBuffer(lastInputFolder);
    request.initialFile = pathBuffer(lastInputPath);
    request.multipleSelection = true;
    const auto chosen = services_.files->chooseFiles(controls_.handle(), request);
    if (!chosen || chosen->empty()) return;

    replaceInputList(*chosen);
    UpdateData(false);
    SaveSettings();
}

void MainWindow::OnDropFiles(const std::vector<std::string>& paths) {
    if (running_) return;
    fillFromPaths(paths, false);
}

void MainWindow::OnOpenFiles(const std::vector<std::string>& paths) {
    if (running_) return;
    fillFromPaths(paths, true);
}

void MainWindow::fillFromPaths(const std::vector<std::string>& paths, bool keepOthers) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        const std::vector<std::string> found = filesFor(path, keepOthers);
        files.insert(files.end(), found.begin(), found.end());
    }
    if (files.empty()) return;  // nothing usable: the window stays as it was

    UpdateData(true);
    LoadSettings();
    replaceInputList(files);
    UpdateData(false);
    SaveSettings();
}

// The list is replaced as a whole and the last path added is remembered with its folder, made
// whole, so that a later start in another folder finds it; the list scrolls sideways as far as
// its widest path ever needed, never less.
void MainWindow::replaceInputList(const std::vector<std::string>& paths) {
    controls_.setListRedraw(idInputList, false);
    controls_.resetList(idInputList);
    int extent = controls_.listHorizontalExtent(idInputList);
    for (const std::string& path : paths) {
        lastInputPath = absolutePath(path);
        controls_.addListEntry(idInputList, path);
        const int width = controls_.listTextWidth(idInputList, path);
        if (width > extent) extent = width;
    }
    controls_.setListHorizontalExtent(idInputList, extent);
    controls_.setListRedraw(idInputList, true);
    lastInputFolder = DriveAndDirectory(lastInputPath);
}

void MainWindow::OnBrowseOutput() {
    if (running_) return;
    UpdateData(true);
    LoadSettings();

    FolderBrowser browser(controls_.handle(), "Browse for Tiff output Directory", *services_.folders,
                          *services_.platform);
    browser.initialFolder = lastOutputFolder;
    if (!browser.Browse()) return;

    outputFolder = absolutePath(trimmed(browser.selectedPath));
    lastOutputFolder = outputFolder;
    UpdateData(false);
    SaveSettings();
}

// A typed folder is kept as typed, blanks and all.
void MainWindow::OnOutputFolderKillFocus() {
    UpdateData(true);
    SaveSettings();
}

// While a run is under way the options stay as the run read them: a click on one is undone.
bool MainWindow::optionsHeldByRun() {
    if (!running_) return false;
    UpdateData(false);
    return true;
}

void MainWindow::OnFlipClicked() {
    if (optionsHeldByRun()) return;
    UpdateData(true);
    if (flip != 0) {
        oppositeDiagonalRadio.EnableWindow(true);
        mainDiagonalRadio.EnableWindow(true);
        mainDiagonal = 0;  // the main diagonal is the default
        oppositeDiagonal = -1;
    } else {
        oppositeDiagonalRadio.EnableWindow(false);
        mainDiagonalRadio.EnableWindow(false);
        mainDiagonal = -1;
        oppositeDiagonal = -1;
    }
    UpdateData(false);
}

// The handlers keep the two diagonals exclusive through the fields, whatever the platform does
// with their group.
void MainWindow::OnOppositeDiagonalClicked() {
    if (optionsHeldByRun()) return;
    oppositeDiagonal = 0;
    mainDiagonal = -1;
    UpdateData(false);
}

void MainWindow::OnMainDiagonalClicked() {
    if (optionsHeldByRun()) return;
    mainDiagonal = 0;
    oppositeDiagonal = -1;
    UpdateData(false);
}

void MainWindow::OnWriteBackClicked() {
    if (optionsHeldByRun()) return;
    UpdateData(true);
    const bool enable = writeBack != 1;
    outputFolderEdit.EnableWindow(enable);
    outputBrowseButton.EnableWindow(enable);
    UpdateData(false);
}

bool MainWindow::OnSysCommand(unsigned id) {
    if ((id & 0xFFF0) != aboutCommand) return false;
    AboutBox about;
    about.takeVersion(services_.version->load());
    services_.about->DoModal(controls_.handle(), about);
    return true;
}

// "Split Tiff": the run works on this window and leaves it open, unless the window was closed
// meanwhile. A second press during a run is one the running split is already answering.
void MainWindow::OnOK() {
    if (running_) return;
    running_ = true;
    stopping_ = false;
    showRunning(true);
    SplitRun(*this, runPlatform_);
    running_ = false;
    showRunning(false);
    if (stopping_) controls_.endDialog();
}

void MainWindow::OnCancel() {
    if (running_) stopping_ = true;  // the run abandons the file under way, then OnOK ends the dialog
    else controls_.endDialog();
}

// While a run is under way, what would do nothing looks it: the Split button, both Browse
// buttons, the options and the output folder are disabled; Cancel stays. Afterwards each is as
// the options make it.
void MainWindow::showRunning(bool running) {
    for (const int id : {idOk, idBrowseInput, idFlip, idWriteBack}) controls_.enable(id, !running);
    const bool diagonals = !running && flip != 0;
    mainDiagonalRadio.EnableWindow(diagonals);
    oppositeDiagonalRadio.EnableWindow(diagonals);
    const bool folder = !running && writeBack != 1;
    outputFolderEdit.EnableWindow(folder);
    outputBrowseButton.EnableWindow(folder);
}

SplitOptions MainWindow::readOptions() {
    UpdateData(true);
    return {.outputFolder = outputFolder, .writeBack = writeBack != 0, .flip = flip != 0, .mainDiagonal = mainDiagonal == 0,
            .keepGoing = false};
}

int MainWindow::inputCount() {
    return controls_.listCount(idInputList);
}

std::string MainWindow::inputPath(int i) {
    return controls_.listEntry(idInputList, i);
}

void MainWindow::selectInput(int i) {
    controls_.setListCurrent(idInputList, i);
}

void MainWindow::setStatusText(const std::string& text) {
    statusText = text;
    UpdateData(false);
}

void MainWindow::redrawNow() {
    controls_.redrawNow();
}

void MainWindow::showMessage(const std::string& text, const std::string& caption) {
    services_.messages->show(controls_.handle(), text, caption);
}

void MainWindow::beginWaitCursor() {
    controls_.beginWaitCursor();
}

void MainWindow::endWaitCursor() {
    controls_.endWaitCursor();
}

ProgressSink& MainWindow::progress() {
    return progress_;
}

void MainWindow::ProgressBarSink::setRange(int low, int high) {
    controls_.setProgressRange(idProgress, low, high);
}

// Each position ends a stage of a file, and long work within a stage shows its position again
// every tenth of a second or so: the window is serviced there.
void MainWindow::ProgressBarSink::setPosition(int pos) {
    controls_.setProgressPosition(idProgress, pos);
    controls_.serviceMessages(0, {});
}

std::string MainWindow::RunPlatform::currentDirectory() {
    return window_.services_.platform->currentDirectory();
}

bool MainWindow::RunPlatform::changeDirectory(const std::string& path) {
    return window_.services_.platform->changeDirectory(path);
}

void MainWindow::RunPlatform::pause(int milliseconds) {
    window_.controls_.serviceMessages(milliseconds, [this] { return window_.stopping_; });
}

}  // namespace quillane

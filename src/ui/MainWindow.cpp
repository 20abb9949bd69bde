#include "ui/MainWindow.h"

#include "split/OutputNaming.h"
#include "split/SplitRun.h"
#include "ui/AboutBox.h"
#include "ui/Artwork.h"
#include "ui/DataExchange.h"
#include "ui/FileChooser.h"
#include "ui/FolderBrowser.h"
#include "ui/MessageBoxes.h"
#include "ui/VersionInfo.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <utility>

namespace quillane {
namespace {

constexpr unsigned aboutCommand = 0x0010;
constexpr unsigned closeCommand = 0xF060;
constexpr unsigned minimiseCommand = 0xF020;

// Leading and trailing blanks, tabs and line breaks removed.
std::string trimmed(const std::string& text) {
    constexpr const char* blanks = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The name part of a path, for presetting the file dialog.
std::string fileNameOf(const std::string& path) {
    const auto separator = path.find_last_of(nativePathStyle == PathStyle::windows ? "\\/:" : "/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

WindowServices systemWindowServices() {
    return {&systemFileChooser(), &systemFolderChooser(), &systemMessageBoxes(), &systemSplitPlatform(), SettingsStore()};
}

MainWindow::MainWindow(WindowServices services) : QDialog(nullptr), services_(std::move(services)) {
    controls_ = buildDialog(*this, mainDialogTemplate());
    icon = QIcon(programIcon());
    connectHandlers();
}

MainWindow::~MainWindow() {
    // The edit loses the focus while the widgets are torn down; this object is gone by then.
    if (auto* edit = controls_.control(idOutputFolder)) edit->removeEventFilter(this);
}

void MainWindow::connectHandlers() {
    const auto onClick = [this](int id, void (MainWindow::*handler)()) {
        connect(static_cast<QAbstractButton*>(controls_.control(id)), &QAbstractButton::clicked, this,
                [this, handler] { (this->*handler)(); });
    };
    onClick(idOk, &MainWindow::OnOK);
    onClick(idCancel, &MainWindow::reject);
    onClick(idBrowseInput, &MainWindow::OnBrowseInput);
    onClick(idBrowseOutput, &MainWindow::OnBrowseOutput);
    onClick(idFlip, &MainWindow::OnFlipClicked);
    onClick(idOppositeDiagonal, &MainWindow::OnOppositeDiagonalClicked);
    onClick(idMainDiagonal, &MainWindow::OnMainDiagonalClicked);
    onClick(idWriteBack, &MainWindow::OnWriteBackClicked);
    // Leaving the output folder box, however it happens, keeps the store level with it.
    controls_.control(idOutputFolder)->installEventFilter(this);
}

int MainWindow::DoModal() {
    return exec();
}

// The dialog initialises itself once, just before it first appears.
void MainWindow::setVisible(bool visible) {
    if (visible && !initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

bool MainWindow::OnInitDialog() {
    UpdateData(false);  // attaches the control fields and fills the controls

    // No window menu of our own to extend under Qt: the About item goes into the dialog's
    // context menu instead.
    aboutItemText_ = loadString(aboutMenuStringId);

    setWindowIcon(icon);
    setWindowTitle(QString::fromStdString(
        versionCaption(windowTitle().toStdString(), programVersionResource())));

    LoadSettings();
    UpdateData(false);

    controls_.control(idOk)->setFocus();  // the first tab stop, "Split Tiff"
    return true;
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
    DataExchange exchange(controls_, saveAndValidate);
    DoDataExchange(exchange);
}

void MainWindow::LoadSettings() {
    const SettingsStore& store = services_.settings;
    lastInputPath = store.read("LastTiffpath");
    lastInputFolder = store.read("LastTiffdir");
    outputFolder = store.read("LastOutputpath");
    lastOutputFolder = store.read("LastOutputpath");
}

void MainWindow::SaveSettings() {
    const SettingsStore& store = services_.settings;
    store.write("LastTiffpath", lastInputPath);
    store.write("LastTiffdir", lastInputFolder);
    store.write("LastOutputpath", outputFolder);
}

void MainWindow::OnBrowseInput() {
    UpdateData(true);
    LoadSettings();  // the store, not this window, has the last word on the remembered paths

    OpenFilesRequest request;
    request.title = "Select Tiff";
    request.filters = {{"Tiff files (.tif)", "*.tif"}, {"All Files (*.*)", "*.*"}};
    request.selectedFilter = 0;
    request.initialFolder = lastInputFolder;
    request.initialName = fileNameOf(lastInputPath);
    request.multipleSelection = true;
    const auto chosen = services_.files->chooseFiles(this, request);
    if (!chosen || chosen->empty()) return;

    // The list is replaced as a whole; it scrolls sideways to its longest path by itself.
    inputList->clear();
    for (const std::string& path : *chosen) {
        lastInputPath = path;
        inputList->addItem(QString::fromStdString(path));
    }
    lastInputFolder = DriveAndDirectory(lastInputPath);

    UpdateData(false);
    SaveSettings();
}

void MainWindow::OnBrowseOutput() {
    UpdateData(true);
    LoadSettings();

    FolderBrowser browser(this, "Browse for Tiff output Directory", *services_.folders, *services_.platform);
    browser.initialFolder = lastOutputFolder;
    if (!browser.Browse()) return;

    outputFolder = trimmed(browser.selectedPath);
    lastOutputFolder = outputFolder;
    UpdateData(false);
    SaveSettings();
}

// A typed folder is kept as typed, blanks and all.
void MainWindow::OnOutputFolderKillFocus() {
    UpdateData(true);
    SaveSettings();
}

void MainWindow::OnFlipClicked() {
    UpdateData(true);
    if (flip != 0) {
        oppositeDiagonalRadio->setEnabled(true);
        mainDiagonalRadio->setEnabled(true);
        mainDiagonal = 0;  // the main diagonal is the default
        oppositeDiagonal = -1;
    } else {
        oppositeDiagonalRadio->setEnabled(false);
        mainDiagonalRadio->setEnabled(false);
        mainDiagonal = -1;
        oppositeDiagonal = -1;
    }
    UpdateData(false);
}

// The radio buttons are groups of their own, so their handlers keep them exclusive.
void MainWindow::OnOppositeDiagonalClicked() {
    oppositeDiagonal = 0;
    mainDiagonal = -1;
    UpdateData(false);
}

void MainWindow::OnMainDiagonalClicked() {
    mainDiagonal = 0;
    oppositeDiagonal = -1;
    UpdateData(false);
}

void MainWindow::OnWriteBackClicked() {
    UpdateData(true);
    const bool enable = writeBack != 1;
    outputFolderEdit->setEnabled(enable);
    outputBrowseButton->setEnabled(enable);
    UpdateData(false);
}

void MainWindow::OnSysCommand(unsigned id, [[maybe_unused]] long parameter) {
    if ((id & 0xFFF0) == aboutCommand) {
        AboutBox about;
        about.takeVersion(programVersionResource());
        about.DoModal();
    } else if ((id & 0xFFF0) == closeCommand) {
        reject();
    } else if ((id & 0xFFF0) == minimiseCommand) {
        showMinimized();
    }
}

// "Split Tiff": the run works on this window and leaves it open.
void MainWindow::OnOK() {
    SplitRun(*this, *services_.platform);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (aboutItemText_.empty()) return;
    QMenu menu(this);
    QAction* about = menu.addAction(QString::fromStdString(aboutItemText_));
    if (menu.exec(event->globalPos()) == about) OnSysCommand(aboutCommand, 0);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && watched == controls_.control(idOutputFolder)) OnOutputFolderKillFocus();
    return QDialog::eventFilter(watched, event);
}

SplitOptions MainWindow::readOptions() {
    UpdateData(true);
    return {outputFolder, writeBack != 0, flip != 0, mainDiagonal == 0};
}

int MainWindow::inputCount() {
    return inputList->count();
}

std::string MainWindow::inputPath(int i) {
    const QListWidgetItem* item = inputList->item(i);
    return item ? item->text().toStdString() : std::string();
}

void MainWindow::selectInput(int i) {
    inputList->setCurrentRow(i);
}

void MainWindow::setStatusText(const std::string& text) {
    statusText = text;
    UpdateData(false);
}

// The run holds the event loop, so the window is painted here and now.
void MainWindow::redrawNow() {
    repaint();
}

void MainWindow::showMessage(const std::string& text, const std::string& caption) {
    services_.messages->show(this, text, caption);
}

void MainWindow::beginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void MainWindow::endWaitCursor() {
    QApplication::restoreOverrideCursor();
}

ProgressSink& MainWindow::progress() {
    return progress_;
}

void MainWindow::ProgressBarSink::setRange(int low, int high) {
    window_.progressBar->setRange(low, high);
}

void MainWindow::ProgressBarSink::setPosition(int pos) {
    // The bar keeps a position outside its range at the nearest end rather than ignoring it.
    window_.progressBar->setValue(std::clamp(pos, window_.progressBar->minimum(), window_.progressBar->maximum()));
}

}  // namespace quillane

#pragma once

#include "split/SplitHost.h"
#include "ui/DialogBuilder.h"
#include "ui/SettingsStore.h"

#include <QDialog>
#include <QIcon>
#include <string>

class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace quillane {

class DataExchange;
class FileChooser;
class FolderChooser;
class MessageBoxes;

// What the window reaches outside itself: the choosers, the message boxes, the process (for
// the split run and the folder test) and the settings store. The defaults are the real ones.
struct WindowServices {
    FileChooser* files = nullptr;
    FolderChooser* folders = nullptr;
    MessageBoxes* messages = nullptr;
    SplitPlatform* platform = nullptr;
    SettingsStore settings;
};

WindowServices systemWindowServices();

// The program's one working window, from dialog template 102. Its state lives in the plain
// fields below; UpdateData copies them to and from the controls, and every handler works on
// the fields. It serves the split run as its SplitHost.
class MainWindow : public QDialog, public SplitHost {
public:
    explicit MainWindow(WindowServices services = systemWindowServices());
    ~MainWindow() override;

    int DoModal();

    // Handlers.
    bool OnInitDialog();
    void OnBrowseInput();
    void OnBrowseOutput();
    void OnOutputFolderKillFocus();
    void OnFlipClicked();
    void OnOppositeDiagonalClicked();
    void OnMainDiagonalClicked();
    void OnWriteBackClicked();
    void OnSysCommand(unsigned id, long parameter);
    void OnOK();

    void LoadSettings();
    void SaveSettings();
    void UpdateData(bool saveAndValidate);

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

    // The controls as the template built them, in template order.
    const BuiltDialog& controls() const { return controls_; }

    // Control fields, attached by the data exchange.
    QLineEdit* outputFolderEdit = nullptr;
    QPushButton* outputBrowseButton = nullptr;
    QRadioButton* oppositeDiagonalRadio = nullptr;
    QRadioButton* mainDiagonalRadio = nullptr;
    QListWidget* inputList = nullptr;
    QProgressBar* progressBar = nullptr;

    // Value fields.
    std::string outputFolder;
    int flip = 0;
    int mainDiagonal = -1;       // 0 when its radio button is checked, -1 when not
    int oppositeDiagonal = -1;   // likewise
    int writeBack = 0;
    std::string statusText;
    std::string lastInputFolder;
    std::string lastInputPath;
    std::string lastOutputFolder;
    QIcon icon;

protected:
    void setVisible(bool visible) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class ProgressBarSink final : public ProgressSink {
    public:
        explicit ProgressBarSink(MainWindow& window) : window_(window) {}
        void setRange(int low, int high) override;
        void setPosition(int pos) override;

    private:
        MainWindow& window_;
    };

    void DoDataExchange(DataExchange& exchange);
    void connectHandlers();

    WindowServices services_;
    BuiltDialog controls_;
    ProgressBarSink progress_{*this};
    std::string aboutItemText_;  // string 101, offered where the platform has no window menu
    bool initialised_ = false;
};

}  // namespace quillane

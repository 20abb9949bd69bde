#pragma once

#include "app/DialogControls.h"
#include "app/MainWindow.h"

#include <QDialog>
#include <QLineEdit>

#include <string>
#include <vector>

class QAbstractButton;
class QAction;
class QButtonGroup;
class QCheckBox;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace quillane {

class PreviewDialog;

// A line edit that also tells when it loses the focus unedited, which editingFinished does not.
class FolderEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

Q_SIGNALS:
    void focusLost();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

// The status line: read-only, and a text longer than the line shows its beginning and its end
// (the file's name), elided in the middle, the whole of it as the tooltip.
class StatusLine : public QLineEdit {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The main window as a Qt dialog: the controls of dialog template 102 in layouts, their
// signals connected to the window's handlers, and the controls served to the window's logic.
// Files dropped on it, and the files it is started with, fill its input list.
class MainDialog : public QDialog, private DialogControls {
    Q_OBJECT
public:
    explicit MainDialog(const WindowServices& services, const std::vector<std::string>& startupFiles = {},
                        QWidget* parent = nullptr);
    ~MainDialog() override;

    MainWindow& logic() { return window_; }

    QPushButton* splitButton() const { return split_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* inputBrowseButton() const { return browseInput_; }
    QPushButton* outputBrowseButton() const { return browseOutput_; }
    QLineEdit* outputFolderEdit() const { return outputFolder_; }
    QListWidget* inputList() const { return inputList_; }
    QCheckBox* flipBox() const { return flip_; }
    QRadioButton* mainDiagonalRadio() const { return mainDiagonal_; }
    QRadioButton* oppositeDiagonalRadio() const { return oppositeDiagonal_; }
    QCheckBox* writeBackBox() const { return writeBack_; }
    QLineEdit* statusLine() const { return status_; }
    QProgressBar* progressBar() const { return progress_; }
    QButtonGroup* diagonals() const { return diagonals_; }
    QMenu* helpMenu() const { return helpMenu_; }
    // The list's "Preview" (its context menu, and Space on the list) and the window it opens, once
    // it has been opened.
    QAction* previewAction() const { return previewAction_; }
    PreviewDialog* previewDialog() const { return preview_; }

    // Cancel, Escape and the close box: during a split run the window closes once the run has
    // stopped after the file under way.
    void reject() override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void arrangeControls();
    void connectHandlers();
    void connectPreview();
    // Opens the preview window on the list's entry `row`; it then follows the list's current
    // entry and the flip options until it is closed.
    void openPreview(int row);
    void followInPreview();
    // The entry being split in bold, the one the preview shows on a tinted ground.
    void markEntries();

    QWidget* widgetFor(int id) const;
    QAbstractButton* buttonFor(int id) const;
    QLineEdit* editFor(int id) const;

    // DialogControls.
    WindowHandle handle() override;
    std::string windowText() override;
    void setWindowText(const std::string& text) override;
    void addMenuCommand(unsigned command, const std::string& text) override;
    std::string text(int id) override;
    void setText(int id, const std::string& text) override;
    bool isChecked(int id) override;
    void setChecked(int id, bool checked) override;
    void enable(int id, bool enabled) override;
    void resetList(int id) override;
    void addListEntry(int id, const std::string& text) override;
    int listCount(int id) override;
    std::string listEntry(int id, int index) override;
    void setListCurrent(int id, int index) override;
    int listHorizontalExtent(int id) override;
    void setListHorizontalExtent(int id, int pixels) override;
    int listTextWidth(int id, const std::string& text) override;
    void setProgressRange(int id, int low, int high) override;
    void setProgressPosition(int id, int position) override;
    void redrawNow() override;
    void serviceMessages(int milliseconds, const std::function<bool()>& enough) override;
    void endDialog() override;
    void beginWaitCursor() override;
    void endWaitCursor() override;

    QPushButton* split_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* browseInput_ = nullptr;
    QPushButton* browseOutput_ = nullptr;
    FolderEdit* outputFolder_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QListWidget* inputList_ = nullptr;
    QCheckBox* flip_ = nullptr;
    QRadioButton* mainDiagonal_ = nullptr;
    QRadioButton* oppositeDiagonal_ = nullptr;
    QButtonGroup* diagonals_ = nullptr;
    QCheckBox* writeBack_ = nullptr;
    StatusLine* status_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* previewAction_ = nullptr;
    PreviewDialog* preview_ = nullptr;
    MessageBoxes& messages_;
    SettingsStore* settings_;
    bool placed_ = false;
    int listExtent_ = 0;  // kept for the window's logic; the list scrolls as far as it needs by itself

    MainWindow window_;
};

}  // namespace quillane

#pragma once

#include "app/DialogControls.h"
#include "app/MainWindow.h"
#include "win32/FileDropTarget.h"
#include "win32/PreviewDialog.h"
#include "win32/ResizableDialog.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace quillane {

// The main window as the platform's own dialog, made from template 102: its dialog procedure
// routes the messages of the window's message map to the handlers, and it serves the controls
// to the window's logic with the controls' own messages. Files dropped on it, and the files it is
// started with, fill its input list.
class NativeMainDialog final : public DialogControls {
public:
    explicit NativeMainDialog(const WindowServices& services, std::vector<std::string> startupFiles = {});
    ~NativeMainDialog() override;
    NativeMainDialog(const NativeMainDialog&) = delete;
    NativeMainDialog& operator=(const NativeMainDialog&) = delete;

    // Runs the dialog modally; returns the code the dialog ended with (IDCANCEL), or -1 when it
    // could not be created.
    INT_PTR DoModal(HWND owner = nullptr);
    // Creates the dialog without a modal loop of its own, for callers that pump the messages
    // themselves; it is destroyed when it ends. Returns nullptr when it could not be created.
    HWND Create(HWND owner = nullptr);

    HWND window() const { return hwnd_; }
    MainWindow& logic() { return window_; }
    // What the window answers a drag with; registered with OLE while the window is open.
    IDropTarget* dropTarget() const { return dropTarget_; }
    // The preview window, once it has been opened.
    NativePreviewDialog* previewDialog() const { return preview_.get(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(int id, int notification);
    void onDropFiles(HDROP drop);
    void joinOpenedFiles(const std::vector<std::string>& files);
    void centreOnMonitor();
    bool paintMinimised();
    // Sized for the monitor's scale: the list's lines and the two flip pictures.
    void fitToScale();
    // The list's entries, the whole path elided in the middle to the list's width, the current
    // one (the file under way, or the one the preview follows) highlighted.
    void drawListEntry(const DRAWITEMSTRUCT& item);
    void showListEntry(int entry);
    // The status line shows as much as fits, the file's name whole; the tip shows all of it.
    void showStatus();
    void addPathTips();
    const std::string& tipText(HWND tool);
    void end(INT_PTR result);
    // A double-click on the list, its context menu's "Preview" or Space on it open the preview on
    // the list's current entry; it then follows that entry and the flip options.
    static LRESULT CALLBACK listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);
    void showListMenu(HWND list, LPARAM where);
    void openPreview();
    void followPreview();

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
    void setListRedraw(int id, bool redraw) override;
    void setProgressRange(int id, int low, int high) override;
    void setProgressPosition(int id, int position) override;
    void redrawNow() override;
    void serviceMessages(int milliseconds, const std::function<bool()>& enough) override;
    void endDialog() override;
    void beginWaitCursor() override;
    void endWaitCursor() override;

    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    bool modal_ = false;
    int waitCursorCount_ = 0;
    HCURSOR cursorBeforeWait_ = nullptr;
    std::vector<std::string> startupFiles_;
    MainWindow window_;
    FileDropTarget* dropTarget_;
    MessageBoxes& messages_;
    int listEntry_ = -1;  // the list's current entry, as listProc keeps it
    std::unique_ptr<NativePreviewDialog> preview_;
    SettingsStore* settings_;
    ResizableDialog resizer_;
    std::string statusText_;  // whole; the status line may show it elided
    int listExtent_ = 0;      // the logic's sideways extent: the entries are elided instead
    HWND tips_ = nullptr;
    LRESULT hoveredEntry_ = -1;
    std::string tip_;
    std::wstring wideTip_;
    HBITMAP flipPictures_[2] = {};
};

// The text of a window (a dialog's caption or a control's text), whole.
std::string windowTextOf(HWND window);

}  // namespace quillane

#pragma once

#include "app/Choosers.h"
#include "app/PreviewWindow.h"
#include "win32/PreviewWorker.h"
#include "win32/ResizableDialog.h"

#include <windows.h>

#include <optional>

namespace quillane {

class MainWindow;

// The preview window as the platform's own modeless dialog, made from template 104 and owned by
// the main window: the red channel, the green channel and their composite, each a DIB section
// drawn with StretchDIBits, the channels' histograms and figures, and the scan's name, size and
// pixel size. Its pages are made on a worker thread that posts a message when one is ready.
class NativePreviewDialog {
public:
    NativePreviewDialog(HWND owner, MessageBoxes& messages, SettingsStore* settings = nullptr);
    ~NativePreviewDialog();
    NativePreviewDialog(const NativePreviewDialog&) = delete;
    NativePreviewDialog& operator=(const NativePreviewDialog&) = delete;

    // Shows the window (made the first time) on the main window's list entry `entry`.
    void open(MainWindow& window, int entry);
    // Follows the list's entry and the flip options while the window is shown.
    void follow(MainWindow& window, int entry);
    bool shown() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_); }
    HWND window() const { return hwnd_; }

private:
    // A picture as the window keeps it: a 32-bit top-down DIB section.
    struct Picture {
        HBITMAP bitmap = nullptr;
        void* bits = nullptr;
        BITMAPINFO info{};
    };

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK keyboardFilter(int code, WPARAM wParam, LPARAM lParam);
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void start(const PreviewWindow::Job& job);
    void takePages();
    void showPictures();
    void setPicture(int id, const RgbImage* image);
    void draw(const DRAWITEMSTRUCT& item);
    void savePicture();
    void close();

    HWND owner_;
    HWND hwnd_ = nullptr;
    HHOOK keyboardHook_ = nullptr;
    MessageBoxes& messages_;
    SettingsStore* settings_;
    ResizableDialog resizer_;
    PreviewWindow logic_;
    std::optional<PreviewPage> page_;
    Picture pictures_[5];  // the ids idPreviewRed to idPreviewGreenHistogram, in their order
    PreviewWorker worker_;  // last: it ends, with its thread, before anything it posts to
};

}  // namespace quillane

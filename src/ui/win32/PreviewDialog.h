#pragma once

#include "app/Choosers.h"
#include "app/PreviewWindow.h"
#include "preview/TileCache.h"
#include "preview/TileWorker.h"
#include "preview/ViewPicture.h"
#include "preview/ZoomView.h"
#include "win32/PreviewWorker.h"
#include "win32/ResizableDialog.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace quillane {

class MainWindow;

// The preview window as the platform's own modeless dialog, made from template 104 and owned by
// the main window: the red channel, the green channel and their composite, each a DIB section
// drawn with StretchDIBits, the channels' histograms and figures, and the scan's name, size and
// pixel size. Its pages are made on a worker thread that posts a message when one is ready. The
// three pictures zoom and pan together (wheel, keys, dragging) from fit to 8 : 1; the tiles a view
// needs are made on a thread of their own, each posted to the window as it is ready.
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
    // The view the three pictures share, once a scan is shown.
    const ZoomView* view() const { return view_ ? &*view_ : nullptr; }

    static constexpr UINT tileMessage = WM_APP + 2;        // lParam: a new shared_ptr<const ViewTile>
    static constexpr UINT tileFailureMessage = WM_APP + 3;  // lParam: a new std::string
    static constexpr UINT pictureMessage = WM_APP + 4;      // lParam: a new MadePicture

private:
    // A picture as the window keeps it: a 32-bit top-down DIB section.
    struct Picture {
        HBITMAP bitmap = nullptr;
        void* bits = nullptr;
        BITMAPINFO info{};
    };

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK keyboardFilter(int code, WPARAM wParam, LPARAM lParam);
    // The zoom's keys reach the window whichever of its controls has the focus.
    static LRESULT CALLBACK zoomKeys(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);
    bool onZoomKey(UINT message, WPARAM key);
    bool onMouse(UINT message, WPARAM wParam, LPARAM lParam);
    // The picture (0 red, 1 green, 2 composite) at a point of the window, or -1.
    int pictureAt(POINT point) const;
    INT_PTR onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void start(const PreviewWindow::Job& job);
    void takePages();
    void takeTile(WPARAM request, LPARAM tile);
    // The pictures of the view as it now is, and the tiles it still lacks asked for.
    void showView();
    void showPointer(POINT point);
    SIZE pictureBox() const;
    void showPictures();
    void setPicture(int id, const RgbImage* image);
    void draw(const DRAWITEMSTRUCT& item);
    // A picture to save, made on a thread of its own, or why not.
    struct MadePicture {
        std::optional<RgbImage> picture;
        std::string failure;
        bool stopped = false;
    };
    void savePicture();
    void takePicture(LPARAM made);
    void writePictureFile(const std::string& file, const RgbImage& picture);
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
    bool dragging_ = false;
    POINT dragFrom_{};
    int wheelSteps_ = 0;  // a wheel's eighths of a notch not yet turned into a step
    std::optional<PreviewPictures> still_;  // what does not zoom: the histograms and figures
    std::optional<ZoomView> view_;
    TileCache cache_;
    ToneLevels toneLevels_[2];
    std::unique_ptr<TileWorker> tiles_;  // of page_: gone before it
    std::optional<std::string> picturePath_;  // where the picture being made goes
    std::atomic<bool> pictureStop_{false};
    std::thread pictureThread_;
    PreviewWorker worker_;  // last: it ends, with its thread, before anything it posts to
};

}  // namespace quillane

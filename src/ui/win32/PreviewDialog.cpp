#include "win32/PreviewDialog.h"

#include "app/DialogTemplate.h"
#include "preview/PictureFile.h"
#include "scan/UserException.h"
#include "win32/DialogTemplateBytes.h"

#include <commdlg.h>

#include <algorithm>
#include <string>

namespace quillane {
namespace {

// The preview window of this thread, for the keyboard filter below.
thread_local HWND filteredDialog = nullptr;

constexpr int firstPictureId = idPreviewRed;
constexpr int pictureCount = 5;

int pictureIndex(int id) {
    return id >= firstPictureId && id < firstPictureId + pictureCount ? id - firstPictureId : -1;
}

// The three pictures share the width and take the height; what is under them follows them.
constexpr float third = 1.0F / 3, twoThirds = 2.0F / 3, fiveSixths = 5.0F / 6;
constexpr EdgeShares previewWindowShares[] = {
    {0, 0, 1, 0},                        // the file
    {0, 0, 1, 0},                        // its summary
    {0, 0, third, 0},                    // the three pictures' names
    {third, 0, twoThirds, 0},
    {twoThirds, 0, 1, 0},
    {0, 0, third, 1},                    // the pictures
    {third, 0, twoThirds, 1},
    {twoThirds, 0, 1, 1},
    {0, 1, third, 1},                    // the histograms
    {third, 1, twoThirds, 1},
    {0, 1, third, 1},                    // their figures
    {third, 1, twoThirds, 1},
    {twoThirds, 1, fiveSixths, 1},       // the tone curve
    {twoThirds, 1, fiveSixths, 1},       // Save picture
    {fiveSixths, 1, 1, 1},               // Close
};
// At the smallest, each picture is 136 by 96 units and the buttons still hold their texts: at
// 150 % the window fits a screen 1024 pixels across.
constexpr ResizeRules previewWindowRules{previewWindowShares, {120, 80}, "PreviewWindowPlace"};

}  // namespace

NativePreviewDialog::NativePreviewDialog(HWND owner, MessageBoxes& messages, SettingsStore* settings)
    : owner_(owner), messages_(messages), settings_(settings), resizer_(previewDialogTemplate(), previewWindowRules) {}

NativePreviewDialog::~NativePreviewDialog() {
    logic_.stop();
    if (hwnd_) DestroyWindow(hwnd_);
    if (keyboardHook_) UnhookWindowsHookEx(keyboardHook_);
    for (Picture& picture : pictures_)
        if (picture.bitmap) DeleteObject(picture.bitmap);
}

void NativePreviewDialog::open(MainWindow& window, int entry) {
    if (!hwnd_) {
        const auto bytes = dialogTemplateBytes(previewDialogTemplate());
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<const DLGTEMPLATE*>(bytes.data()), owner_,
                                   DialogProc, reinterpret_cast<LPARAM>(this));
        if (!hwnd_) return;
        // The main window's modal loop knows nothing of this window's keys (Tab, Escape, the
        // buttons' letters): they reach it through the loop's message filter.
        filteredDialog = hwnd_;
        keyboardHook_ = SetWindowsHookExA(WH_MSGFILTER, keyboardFilter, nullptr, GetCurrentThreadId());
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    follow(window, entry);
}

void NativePreviewDialog::follow(MainWindow& window, int entry) {
    if (!shown()) return;
    if (const std::optional<PreviewWindow::Job> job = logic_.follow(window, entry)) start(*job);
}

LRESULT CALLBACK NativePreviewDialog::keyboardFilter(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code >= 0 && filteredDialog && IsWindowVisible(filteredDialog) && IsDialogMessageA(filteredDialog, message)) return TRUE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK NativePreviewDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NativePreviewDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<NativePreviewDialog*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        self->hwnd_ = dialog;
    }
    if (!self) return FALSE;
    if (message == WM_DESTROY && self->shown()) self->resizer_.rememberPlace();
    if (message == WM_NCDESTROY) {
        // Destroyed with its owner, the main window: the object lives on without a window.
        self->logic_.stop();
        if (filteredDialog == dialog) filteredDialog = nullptr;
        self->hwnd_ = nullptr;
        return FALSE;
    }
    return self->onMessage(message, wParam, lParam);
}

INT_PTR NativePreviewDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        resizer_.attach(hwnd_, settings_);
        return TRUE;
    case WM_SIZE:
    case WM_GETMINMAXINFO:
    case WM_DPICHANGED:
        resizer_.onMessage(message, wParam, lParam);
        return TRUE;
    case PreviewWorker::readyMessage:
        takePages();
        return TRUE;
    case WM_DRAWITEM:
        draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        switch (LOWORD(wParam)) {
        case idPreviewLogarithmic: showPictures(); break;
        case idPreviewSave: savePicture(); break;
        case IDCANCEL: close(); break;  // Close, Escape and the close box
        default: break;
        }
        return TRUE;
    default:
        return FALSE;
    }
}

// The new scan's name shows at once, its pictures once they are made; the pictures of the scan
// before are gone meanwhile, so that they are never taken for this one's.
void NativePreviewDialog::start(const PreviewWindow::Job& job) {
    SetWindowTextA(hwnd_, logic_.caption().c_str());
    SetDlgItemTextA(hwnd_, idPreviewFile, job.path.c_str());
    SetDlgItemTextA(hwnd_, idPreviewSummary, text::previewWorking);
    page_.reset();
    showPictures();
    worker_.run(job, hwnd_);
}

void NativePreviewDialog::takePages() {
    for (PreviewPage& page : worker_.takePages()) {
        if (!logic_.isCurrent(page)) continue;  // replaced by a newer request meanwhile
        SetDlgItemTextA(hwnd_, idPreviewSummary, page.summary.c_str());
        page_ = std::move(page);
        showPictures();
    }
}

void NativePreviewDialog::showPictures() {
    const bool shown = page_ && page_->preview;
    EnableWindow(GetDlgItem(hwnd_, idPreviewSave), shown ? TRUE : FALSE);
    std::optional<PreviewPictures> pictures;
    if (shown) {
        const bool logarithmic = IsDlgButtonChecked(hwnd_, idPreviewLogarithmic) == BST_CHECKED;
        pictures = picturesOf(*page_->preview, logarithmic ? ToneCurve::logarithmic : ToneCurve::linear);
    }
    setPicture(idPreviewRed, pictures ? &pictures->channels[0] : nullptr);
    setPicture(idPreviewGreen, pictures ? &pictures->channels[1] : nullptr);
    setPicture(idPreviewComposite, pictures ? &pictures->composite : nullptr);
    setPicture(idPreviewRedHistogram, pictures ? &pictures->histograms[0] : nullptr);
    setPicture(idPreviewGreenHistogram, pictures ? &pictures->histograms[1] : nullptr);
    SetDlgItemTextA(hwnd_, idPreviewRedFigures, pictures ? pictures->figures[0].c_str() : "");
    SetDlgItemTextA(hwnd_, idPreviewGreenFigures, pictures ? pictures->figures[1].c_str() : "");
}

// The image into a new DIB section, blue, green, red and a spare byte a pixel, rows top down.
void NativePreviewDialog::setPicture(int id, const RgbImage* image) {
    Picture& picture = pictures_[pictureIndex(id)];
    if (picture.bitmap) DeleteObject(picture.bitmap);
    picture = Picture{};
    if (image && image->width > 0 && image->height > 0) {
        BITMAPINFOHEADER& header = picture.info.bmiHeader;
        header.biSize = sizeof header;
        header.biWidth = static_cast<LONG>(image->width);
        header.biHeight = -static_cast<LONG>(image->height);
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        picture.bitmap = CreateDIBSection(nullptr, &picture.info, DIB_RGB_COLORS, &picture.bits, nullptr, 0);
        if (picture.bitmap) {
            auto* out = static_cast<std::uint8_t*>(picture.bits);
            const std::uint8_t* in = image->pixels.data();
            for (std::size_t i = 0; i < std::size_t{image->width} * image->height; ++i, in += 3, out += 4) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                out[3] = 0;
            }
            GdiFlush();
        }
    }
    InvalidateRect(GetDlgItem(hwnd_, id), nullptr, TRUE);
}

// On black, as large as fits with its proportions kept, whole pixels sharp (no smoothing), so
// that a saturated mark stays a clear blue, not a tint.
void NativePreviewDialog::draw(const DRAWITEMSTRUCT& item) {
    const int index = pictureIndex(static_cast<int>(item.CtlID));
    if (index < 0) return;
    const RECT& box = item.rcItem;
    FillRect(item.hDC, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const Picture& picture = pictures_[index];
    if (!picture.bitmap) return;
    const LONG width = picture.info.bmiHeader.biWidth;
    const LONG height = -picture.info.bmiHeader.biHeight;
    const LONG boxWidth = box.right - box.left;
    const LONG boxHeight = box.bottom - box.top;
    const bool histogram = index >= 3;  // stretched over its whole box
    const LONG shownWidth = histogram ? boxWidth : std::min(boxWidth, width * boxHeight / height);
    const LONG shownHeight = histogram ? boxHeight : std::min(boxHeight, height * boxWidth / width);
    SetStretchBltMode(item.hDC, COLORONCOLOR);
    StretchDIBits(item.hDC, box.left + (boxWidth - shownWidth) / 2, box.top + (boxHeight - shownHeight) / 2, shownWidth,
                  shownHeight, 0, 0, width, height, picture.bits, &picture.info, DIB_RGB_COLORS, SRCCOPY);
}

// The composite along the curve shown, at the size quillane-split --preview writes it, through
// WIC's PNG encoder; the file appears whole or not at all.
void NativePreviewDialog::savePicture() {
    if (!page_ || !page_->preview) return;
    std::string file = logic_.pictureName();
    file.resize(std::max<std::size_t>(file.size() + 1, MAX_PATH), '\0');
    OPENFILENAMEA chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = hwnd_;
    chooser.lpstrFilter = "PNG pictures (*.png)\0*.png\0\0";
    chooser.lpstrFile = file.data();
    chooser.nMaxFile = static_cast<DWORD>(file.size());
    chooser.lpstrDefExt = "png";
    chooser.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetSaveFileNameA(&chooser)) return;
    file.resize(file.find('\0'));
    const bool logarithmic = IsDlgButtonChecked(hwnd_, idPreviewLogarithmic) == BST_CHECKED;
    try {
        writePicture(file, compositePicture(*page_->preview, logarithmic ? ToneCurve::logarithmic : ToneCurve::linear),
                     page_->preview->path);
    } catch (const UserException& failure) {
        messages_.show(hwnd_, failure.what(), "Cannot save this picture");
    }
}

// Closed, the window is hidden and its work stops; it opens again as it was left.
void NativePreviewDialog::close() {
    logic_.stop();
    resizer_.rememberPlace();
    ShowWindow(hwnd_, SW_HIDE);
}

}  // namespace quillane

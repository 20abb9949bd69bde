#include "win32/PreviewDialog.h"

#include "app/DialogTemplate.h"
#include "app/WindowPlacement.h"
#include "preview/PictureFile.h"
#include "scan/UserException.h"
#include "win32/DialogTemplateBytes.h"

#include "preview/PreviewText.h"
#include "preview/RegionPicture.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

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
    {twoThirds, 1, twoThirds, 1},        // whole scan
    {twoThirds, 1, twoThirds, 1},        // current view
    {twoThirds, 1, twoThirds, 1},        // the longest side
    {twoThirds, 1, twoThirds, 1},
    {twoThirds, 1, twoThirds, 1},
    {twoThirds, 1, fiveSixths, 1},       // Save picture
    {fiveSixths, 1, 1, 1},               // Close
    {0, 1, 1, 1},                        // what is under the pointer
};
// At the smallest, each picture is 136 by 96 units and the buttons still hold their texts: at
// 150 % the window fits a screen 1024 pixels across.
constexpr ResizeRules previewWindowRules{previewWindowShares, {120, 80}, previewWindowPlacementSetting};

}  // namespace

NativePreviewDialog::NativePreviewDialog(HWND owner, MessageBoxes& messages, SettingsStore* settings)
    : owner_(owner), messages_(messages), settings_(settings), resizer_(previewDialogTemplate(), previewWindowRules) {}

NativePreviewDialog::~NativePreviewDialog() {
    logic_.stop();
    pictureStop_ = true;
    if (pictureThread_.joinable()) pictureThread_.join();
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

LRESULT CALLBACK NativePreviewDialog::zoomKeys(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
    auto* self = reinterpret_cast<NativePreviewDialog*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        // The arrows and the characters come here rather than move the focus or, on the check
        // box, check it ("+") or clear it ("-").
        return DefSubclassProc(control, message, wParam, lParam) | DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_CHAR:
        if (self->onZoomKey(message, wParam)) return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(control, zoomKeys, 0);
        break;
    default:
        break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
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
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetDlgCtrlID(child) != idPreviewPictureSize) SetWindowSubclass(child, zoomKeys, 0, reinterpret_cast<DWORD_PTR>(this));
        CheckRadioButton(hwnd_, idPreviewWholeScan, idPreviewCurrentView, idPreviewWholeScan);
        return TRUE;
    case WM_MOUSEWHEEL:
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        return onMouse(message, wParam, lParam) ? TRUE : FALSE;
    case WM_SIZE:
    case WM_GETMINMAXINFO:
    case WM_DPICHANGED:
        resizer_.onMessage(message, wParam, lParam);
        if (message == WM_SIZE && view_) {
            const SIZE box = pictureBox();
            view_->resize(static_cast<std::uint32_t>(box.cx), static_cast<std::uint32_t>(box.cy));
            showView();
        }
        return TRUE;
    case PreviewWorker::readyMessage:
        takePages();
        return TRUE;
    case tileMessage:
        takeTile(wParam, lParam);
        return TRUE;
    case pictureMessage:
        takePicture(lParam);
        return TRUE;
    case tileFailureMessage: {
        const std::unique_ptr<std::string> failure(reinterpret_cast<std::string*>(lParam));
        if (page_ && wParam == page_->request) SetDlgItemTextA(hwnd_, idPreviewPointer, failure->c_str());
        return TRUE;
    }
    case WM_DRAWITEM:
        draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        switch (LOWORD(wParam)) {
        case idPreviewLogarithmic: showPictures(); break;  // the tone curve
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
    tiles_.reset();
    view_.reset();
    cache_.clear();
    page_.reset();
    showPictures();
    worker_.run(job, hwnd_);
}

void NativePreviewDialog::takePages() {
    for (PreviewPage& page : worker_.takePages()) {
        if (!logic_.isCurrent(page)) continue;  // replaced by a newer request meanwhile
        SetDlgItemTextA(hwnd_, idPreviewSummary, page.summary.c_str());
        tiles_.reset();
        view_.reset();
        cache_.clear();
        page_ = std::move(page);
        if (page_->preview) {
            const ScanPreview& preview = *page_->preview;
            // The preview's own blocks show the fit view at once; the rest is read as it is wanted.
            for (ViewTile& tile : tilesOfPreview(preview)) cache_.insert(std::make_shared<const ViewTile>(std::move(tile)));
            const SIZE box = pictureBox();
            view_.emplace(preview.width, preview.height, preview.grid.side);
            view_->resize(static_cast<std::uint32_t>(box.cx), static_cast<std::uint32_t>(box.cy));
        }
        if (page_->tiles) {
            // Posted with the page's request, so that a tile of the scan before is never taken for one of this.
            const HWND window = hwnd_;
            const WPARAM request = static_cast<WPARAM>(page_->request);
            tiles_ = std::make_unique<TileWorker>(
                page_->tiles,
                [window, request](std::shared_ptr<const ViewTile> tile) {
                    auto* posted = new std::shared_ptr<const ViewTile>(std::move(tile));
                    if (!PostMessageA(window, tileMessage, request, reinterpret_cast<LPARAM>(posted))) delete posted;
                },
                [window, request](const std::string& failure) {
                    auto* posted = new std::string(failure);
                    if (!PostMessageA(window, tileFailureMessage, request, reinterpret_cast<LPARAM>(posted))) delete posted;
                });
        }
        showPictures();
    }
}

void NativePreviewDialog::takeTile(WPARAM request, LPARAM tile) {
    const std::unique_ptr<std::shared_ptr<const ViewTile>> posted(reinterpret_cast<std::shared_ptr<const ViewTile>*>(tile));
    if (!page_ || request != page_->request || !view_) return;
    cache_.insert(*posted);
    // Drawn once the tiles that have come meanwhile are all in.
    MSG next;
    if (!PeekMessageA(&next, hwnd_, tileMessage, tileMessage, PM_NOREMOVE)) showView();
}

// All three pictures share the size of the first.
SIZE NativePreviewDialog::pictureBox() const {
    RECT box{};
    GetClientRect(GetDlgItem(hwnd_, idPreviewRed), &box);
    return {std::max<LONG>(box.right, 1), std::max<LONG>(box.bottom, 1)};
}

void NativePreviewDialog::showView() {
    if (!view_ || !still_) return;
    ViewPictures pictures = viewPictures(*view_, cache_, toneLevels_[0], toneLevels_[1]);
    setPicture(idPreviewRed, &pictures.channels[0]);
    setPicture(idPreviewGreen, &pictures.channels[1]);
    setPicture(idPreviewComposite, &pictures.composite);
    if (tiles_) {
        std::vector<TileKey> wanted;
        for (const TileKey& key : view_->visibleTiles())
            if (!cache_.contains(key)) wanted.push_back(key);
        tiles_->want(wanted);
    }
    POINT pointer;
    GetCursorPos(&pointer);
    ScreenToClient(hwnd_, &pointer);
    showPointer(pointer);
}

// The position and samples under the pointer when it is over a picture, and the scale.
void NativePreviewDialog::showPointer(POINT point) {
    if (!view_ || !page_ || !page_->preview) return;
    std::string line = scaleText(view_->scale(), view_->atFit());
    const int picture = pictureAt(point);
    if (picture >= 0) {
        RECT box;
        GetWindowRect(GetDlgItem(hwnd_, idPreviewRed + picture), &box);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
        const ScanPreview& preview = *page_->preview;
        if (const std::optional<PointValue> value =
                valueAt(*view_, cache_, point.x - box.left, point.y - box.top, preview.pixelSizeX, preview.pixelSizeY))
            line += "   " + pointLine(*value);
    } else {
        line += "   ";
        line += text::zoomHint;
    }
    SetDlgItemTextA(hwnd_, idPreviewPointer, line.c_str());
}

int NativePreviewDialog::pictureAt(POINT point) const {
    for (int picture = 0; picture < 3; ++picture) {
        RECT box;
        GetWindowRect(GetDlgItem(hwnd_, idPreviewRed + picture), &box);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
        if (PtInRect(&box, point)) return picture;
    }
    return -1;
}

// + and - (either keyboard's) zoom about the pictures' middle, 0 fits, 1 shows the samples one
// to a pixel, and the arrows move an eighth of a picture.
bool NativePreviewDialog::onZoomKey(UINT message, WPARAM key) {
    const bool character = message == WM_CHAR;
    const bool arrow = !character && (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN);
    if (!arrow && !(character && (key == '+' || key == '=' || key == '-' || key == '0' || key == '1'))) return false;
    if (!view_) return true;
    const double middleX = view_->boxWidth() / 2.0, middleY = view_->boxHeight() / 2.0;
    const double stepX = view_->boxWidth() / 8.0, stepY = view_->boxHeight() / 8.0;
    switch (key) {
    case '+':
    case '=': view_->zoomIn(middleX, middleY); break;
    case '-': view_->zoomOut(middleX, middleY); break;
    case '0': view_->zoomToFit(); break;
    case '1': view_->zoomToActualSize(middleX, middleY); break;
    case VK_LEFT: view_->panBy(stepX, 0); break;  // shows what lies to the left
    case VK_RIGHT: view_->panBy(-stepX, 0); break;
    case VK_UP: view_->panBy(0, stepY); break;
    case VK_DOWN: view_->panBy(0, -stepY); break;
    default: break;
    }
    showView();
    return true;
}

// The wheel zooms about the pointer, dragging a picture moves all three, and moving over one
// tells what lies under the pointer.
bool NativePreviewDialog::onMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message == WM_MOUSEWHEEL) ScreenToClient(hwnd_, &point);  // the wheel's point is the screen's
    const int picture = pictureAt(point);
    RECT box{};
    if (picture >= 0) {
        GetWindowRect(GetDlgItem(hwnd_, idPreviewRed + picture), &box);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
    }
    switch (message) {
    case WM_MOUSEWHEEL: {
        if (!view_) return true;
        wheelSteps_ += GET_WHEEL_DELTA_WPARAM(wParam);
        const double x = picture >= 0 ? point.x - box.left : view_->boxWidth() / 2.0;
        const double y = picture >= 0 ? point.y - box.top : view_->boxHeight() / 2.0;
        bool changed = false;
        for (; wheelSteps_ >= WHEEL_DELTA; wheelSteps_ -= WHEEL_DELTA) changed |= view_->zoomIn(x, y);
        for (; wheelSteps_ <= -WHEEL_DELTA; wheelSteps_ += WHEEL_DELTA) changed |= view_->zoomOut(x, y);
        if (changed) showView();
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 0);
        return true;
    }
    case WM_LBUTTONDOWN:
        if (picture < 0 || !view_) return false;
        dragging_ = true;
        dragFrom_ = point;
        SetCapture(hwnd_);
        return true;
    case WM_MOUSEMOVE:
        if (dragging_ && view_) {
            view_->panBy(point.x - dragFrom_.x, point.y - dragFrom_.y);
            dragFrom_ = point;
            showView();
        } else {
            showPointer(point);
        }
        return true;
    case WM_LBUTTONUP:
        if (dragging_) ReleaseCapture();
        dragging_ = false;
        return true;
    case WM_CAPTURECHANGED:
        dragging_ = false;
        return false;
    default:
        return false;
    }
}

// A new page or tone curve: the histograms and figures, and the view along the curve.
void NativePreviewDialog::showPictures() {
    const bool shown = page_ && page_->preview;
    EnableWindow(GetDlgItem(hwnd_, idPreviewSave), shown ? TRUE : FALSE);
    still_.reset();
    if (shown) {
        const bool logarithmic = IsDlgButtonChecked(hwnd_, idPreviewLogarithmic) == BST_CHECKED;
        const ToneCurve curve = logarithmic ? ToneCurve::logarithmic : ToneCurve::linear;
        still_ = picturesOf(*page_->preview, curve);
        for (int channel = 0; channel < 2; ++channel)
            toneLevels_[channel] = toneLevels(page_->preview->channels[channel].valueCounts, curve);
    }
    const std::optional<PreviewPictures>& pictures = still_;
    if (view_ && still_) {
        showView();
    } else {
        setPicture(idPreviewRed, nullptr);
        setPicture(idPreviewGreen, nullptr);
        setPicture(idPreviewComposite, nullptr);
        SetDlgItemTextA(hwnd_, idPreviewPointer, text::zoomHint);
    }
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

// The composite along the curve shown, of the whole scan or the view, at most as large as asked:
// by default the picture quillane-split --preview writes, at once. Anything else needs the scan
// read again, on a thread of its own that posts the picture back; written through WIC's PNG
// encoder, the file appears whole or not at all.
void NativePreviewDialog::savePicture() {
    if (!page_ || !page_->preview || picturePath_) return;
    BOOL read = FALSE;
    const UINT size = GetDlgItemInt(hwnd_, idPreviewPictureSize, &read, FALSE);
    if (!read || size < 1 || size > PreviewRequest::largestPicture) {
        messages_.show(hwnd_, "The longest side is a number of pixels from 1 to 4096.", "Cannot save this picture");
        return;
    }
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
    const ToneCurve curve = logarithmic ? ToneCurve::logarithmic : ToneCurve::linear;
    const bool whole = IsDlgButtonChecked(hwnd_, idPreviewCurrentView) != BST_CHECKED || !view_ || !page_->tiles;
    if (whole && size == PreviewRequest::largestBox) {
        writePictureFile(file, compositePicture(*page_->preview, curve));
        return;
    }
    std::function<RgbImage(const std::atomic<bool>*)> make;
    if (whole) {
        make = [preview = page_->preview, size, curve](const std::atomic<bool>* stop) {
            const PreviewRequest request{size, size, preview->flip.has_value(), preview->flip == Diagonal::main};
            return compositePicture(previewScan(preview->path, request, stop), curve);
        };
    } else {
        make = [maker = page_->tiles, view = *view_, size, red = toneLevels_[0], green = toneLevels_[1]](const std::atomic<bool>* stop) {
            return regionPicture(*maker, view, size, red, green, stop);
        };
    }
    if (pictureThread_.joinable()) pictureThread_.join();
    picturePath_ = file;
    pictureStop_ = false;
    EnableWindow(GetDlgItem(hwnd_, idPreviewSave), FALSE);
    SetDlgItemTextA(hwnd_, idPreviewPointer, text::pictureWorking);
    const HWND window = hwnd_;
    pictureThread_ = std::thread([this, make, window] {
        auto* made = new MadePicture;
        try {
            made->picture = make(&pictureStop_);
        } catch (const PreviewStopped&) {
            made->stopped = true;
        } catch (const std::exception& failure) {
            made->failure = failure.what();
        }
        if (!PostMessageA(window, pictureMessage, 0, reinterpret_cast<LPARAM>(made))) delete made;
    });
}

void NativePreviewDialog::takePicture(LPARAM posted) {
    const std::unique_ptr<MadePicture> made(reinterpret_cast<MadePicture*>(posted));
    if (pictureThread_.joinable()) pictureThread_.join();
    const std::optional<std::string> file = std::exchange(picturePath_, std::nullopt);
    EnableWindow(GetDlgItem(hwnd_, idPreviewSave), page_ && page_->preview ? TRUE : FALSE);
    showView();
    if (!file || made->stopped) return;
    if (made->picture) writePictureFile(*file, *made->picture);
    else messages_.show(hwnd_, made->failure, "Cannot save this picture");
}

void NativePreviewDialog::writePictureFile(const std::string& file, const RgbImage& picture) {
    try {
        writePicture(file, picture, page_ && page_->preview ? page_->preview->path : std::string());
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

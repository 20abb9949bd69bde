#include "win32/MainDialog.h"

#include "app/DialogTemplate.h"
#include "app/WindowPlacement.h"
#include "platform/FolderListing.h"
#include "win32/DialogTemplateBytes.h"
#include "win32/OpenWith.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace quillane {
namespace {

HINSTANCE programInstance() {
    return GetModuleHandleA(nullptr);
}

const DLGTEMPLATE* templateOf(const std::vector<std::uint32_t>& bytes) {
    return reinterpret_cast<const DLGTEMPLATE*>(bytes.data());
}

// As the window grows, the list takes the height and the paths the width; the buttons keep
// their sides, Split and Cancel their share of the bottom line.
constexpr EdgeShares mainWindowShares[] = {
    {0.3F, 1, 0.3F, 1},  // Split Tiff
    {0.7F, 1, 0.7F, 1},  // Cancel
    {0, 0, 1, 1},        // the input group
    {1, 0.5F, 1, 0.5F},  // its Browse, halfway down the list
    {0, 1, 1, 1},        // the output group
    {1, 1, 1, 1},        // its Browse
    {0, 1, 1, 1},        // the output folder
    {0, 1, 1, 1},        // the progress bar
    {0, 0, 1, 1},        // the input list
    {0, 1, 1, 1},        // the flip group
    {0, 1, 0, 1},        // Flip
    {0, 1, 0, 1},        // main diagonal
    {0, 1, 0, 1},        // opposite diagonal
    {0, 1, 0, 1},        // its picture
    {0, 1, 0, 1},        // its picture
    {0, 1, 0, 1},        // write back
    {0, 1, 1, 1},        // the status line
};
// Narrower, the flip pictures would leave their group; lower, the list keeps two lines.
constexpr ResizeRules mainWindowRules{mainWindowShares, {20, 39}, mainWindowPlacementSetting};

constexpr UINT_PTR listTool = 1, statusTool = 2;

}  // namespace

std::string windowTextOf(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

NativeMainDialog::NativeMainDialog(const WindowServices& services, std::vector<std::string> startupFiles)
    : icon_(LoadIconA(programInstance(), MAKEINTRESOURCEA(programIconId))),
      startupFiles_(std::move(startupFiles)),
      window_(*this, services),
      dropTarget_(new FileDropTarget(
          [this](const std::vector<std::string>& paths) {
              stopGathering(hwnd_);
              window_.OnDropFiles(paths);
          },
          [this] { return !window_.running(); })),
      messages_(*services.messages),
      settings_(services.settings),
      resizer_(mainDialogTemplate(), mainWindowRules) {}

NativeMainDialog::~NativeMainDialog() {
    if (hwnd_ && !modal_) DestroyWindow(hwnd_);
    dropTarget_->Release();
    for (HBITMAP picture : flipPictures_)
        if (picture) DeleteObject(picture);
}

INT_PTR NativeMainDialog::DoModal(HWND owner) {
    modal_ = true;
    const auto bytes = dialogTemplateBytes(mainDialogTemplate());
    const INT_PTR result = DialogBoxIndirectParamA(programInstance(), templateOf(bytes), owner, DialogProc,
                                                   reinterpret_cast<LPARAM>(this));
    hwnd_ = nullptr;
    return result;
}

HWND NativeMainDialog::Create(HWND owner) {
    modal_ = false;
    const auto bytes = dialogTemplateBytes(mainDialogTemplate());
    return CreateDialogIndirectParamA(programInstance(), templateOf(bytes), owner, DialogProc,
                                      reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK NativeMainDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NativeMainDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<NativeMainDialog*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        self->hwnd_ = dialog;
    }
    if (!self) return FALSE;
    if (message == WM_DESTROY) {
        RevokeDragDrop(dialog);
        stopGathering(dialog);
        self->resizer_.rememberPlace();
    }
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        return FALSE;
    }
    return self->onMessage(message, wParam, lParam);
}

INT_PTR NativeMainDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        centreOnMonitor();
        resizer_.attach(hwnd_, settings_);
        fitToScale();
        addPathTips();
        SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
        // Drags go to the drop target, which takes them as copies; WM_DROPFILES still serves the
        // programs that send it, and a thread without OLE.
        RegisterDragDrop(hwnd_, dropTarget_);
        DragAcceptFiles(hwnd_, TRUE);
        SetWindowSubclass(GetDlgItem(hwnd_, idInputList), listProc, 0, reinterpret_cast<DWORD_PTR>(this));
        const bool defaultFocus = window_.OnInitDialog();
        if (!startupFiles_.empty()) {
            window_.OnOpenFiles(startupFiles_);
            startGathering(hwnd_);  // the other files of an "Open with" on several
        }
        return defaultFocus ? TRUE : FALSE;
    }
    case WM_COPYDATA: {
        // Files a later start of an "Open with" hands over join the list while it is still the
        // files the window was opened with; the sender opens a window of its own otherwise.
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const std::optional<std::vector<std::string>> handed = data ? handedFiles(*data) : std::nullopt;
        const bool taken = handed && isGathering(hwnd_);
        if (taken) joinOpenedFiles(*handed);
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, taken ? TRUE : FALSE);
        return TRUE;
    }
    case WM_SIZE:
    case WM_GETMINMAXINFO:
    case WM_DPICHANGED:
        resizer_.onMessage(message, wParam, lParam);
        if (message == WM_DPICHANGED) fitToScale();
        if (message != WM_GETMINMAXINFO) {
            showStatus();
            showListEntry(listEntry_);
        }
        return TRUE;
    case WM_MEASUREITEM:
        // Sent while the list is made, before the window is ours; fitToScale sets the height.
        return FALSE;
    case WM_DRAWITEM:
        if (wParam != static_cast<WPARAM>(idInputList)) return FALSE;
        drawListEntry(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom != tips_) return FALSE;
        if (header->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            info->lpszText = const_cast<char*>(tipText(reinterpret_cast<HWND>(header->idFrom)).c_str());
        } else if (header->code == TTN_GETDISPINFOW) {
            const std::string& text = tipText(reinterpret_cast<HWND>(header->idFrom));
            wideTip_.assign(text.size() + 1, L'\0');
            const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), wideTip_.data(),
                                                   static_cast<int>(text.size()));
            wideTip_.resize(static_cast<std::size_t>(std::max(length, 0)));
            reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText = wideTip_.data();
        }
        return TRUE;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != GetDlgItem(hwnd_, idInputList)) return FALSE;
        showListMenu(reinterpret_cast<HWND>(wParam), lParam);
        return TRUE;
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_SYSCOMMAND:
        // The About item is the window's own; everything else is the platform's.
        if (window_.OnSysCommand(static_cast<unsigned>(wParam))) {
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        return paintMinimised() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(icon_);
    case WM_SETCURSOR:
        // While a split runs, the wait cursor stays whatever the mouse passes over.
        if (waitCursorCount_ > 0) {
            SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void NativeMainDialog::onCommand(int id, int notification) {
    if (id == idOutputFolder) {
        if (notification == EN_KILLFOCUS) window_.OnOutputFolderKillFocus();
        return;
    }
    if (id == idInputList) {
        if (notification == LBN_DBLCLK) openPreview();
        return;
    }
    if (notification != BN_CLICKED) return;
    // The list is the user's own from here: later starts open windows of their own.
    if (id == idOk || id == idBrowseInput) stopGathering(hwnd_);
    switch (id) {
    case idOk: window_.OnOK(); break;  // "Split Tiff" and Enter: the dialog stays open
    case idCancel: window_.OnCancel(); break;  // Cancel, Escape and the close command
    case idBrowseInput: window_.OnBrowseInput(); break;
    case idBrowseOutput: window_.OnBrowseOutput(); break;
    case idFlip: window_.OnFlipClicked(); break;
    case idOppositeDiagonal: window_.OnOppositeDiagonalClicked(); break;
    case idMainDiagonal: window_.OnMainDiagonalClicked(); break;
    case idWriteBack: window_.OnWriteBackClicked(); break;
    default: break;
    }
    if (id == idFlip || id == idMainDiagonal || id == idOppositeDiagonal) followPreview();
}

// The list cannot select, and its own current entry need not move (under Wine it never does): the
// window keeps the entry the user last pointed at itself, moved as a selection would be, by a
// click, the arrow keys, Home and End, and the split run's LB_SETCURSEL, for the preview to follow.
LRESULT CALLBACK NativeMainDialog::listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data) {
    auto* self = reinterpret_cast<NativeMainDialog*>(data);
    if (message == WM_KEYDOWN && wParam == VK_SPACE) {
        self->openPreview();
        return 0;
    }
    if (message == WM_CHAR && wParam == ' ') return 0;  // the list would look for an entry starting with it
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, listProc, 0);
        return DefSubclassProc(list, message, wParam, lParam);
    }
    const int last = static_cast<int>(DefSubclassProc(list, LB_GETCOUNT, 0, 0)) - 1;
    int entry = self->listEntry_;
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        const LRESULT hit = DefSubclassProc(list, LB_ITEMFROMPOINT, 0, lParam);
        if (HIWORD(hit) == 0) entry = LOWORD(hit);
    } else if (message == WM_KEYDOWN && last >= 0) {
        if (wParam == VK_UP) entry = std::max(entry - 1, 0);
        else if (wParam == VK_DOWN) entry = std::min(entry + 1, last);
        else if (wParam == VK_HOME) entry = 0;
        else if (wParam == VK_END) entry = last;
    } else if (message == LB_SETCURSEL) {
        entry = static_cast<int>(wParam);
    } else if (message == LB_RESETCONTENT) {
        entry = -1;
    } else if (message == WM_MOUSEMOVE && self->tips_) {
        // Another entry under the pointer: its tip, with its path, comes afresh.
        const LRESULT hit = DefSubclassProc(list, LB_ITEMFROMPOINT, 0, lParam);
        if (hit != self->hoveredEntry_) SendMessageA(self->tips_, TTM_POP, 0, 0);
        self->hoveredEntry_ = hit;
    }
    const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    if (entry != self->listEntry_) {
        self->listEntry_ = entry;
        self->showListEntry(entry);
        self->followPreview();
    }
    return result;
}

// At the mouse (whose button made its entry the current one), or under the current entry when
// asked for with the keyboard.
void NativeMainDialog::showListMenu(HWND list, LPARAM where) {
    POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (where == -1) {
        RECT entry{};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(std::max(listEntry_, 0)), reinterpret_cast<LPARAM>(&entry));
        at = {entry.left, entry.bottom};
        ClientToScreen(list, &at);
    }
    HMENU menu = CreatePopupMenu();
    constexpr UINT previewCommand = 1;
    AppendMenuA(menu, MF_STRING | (listCount(idInputList) > 0 ? MF_ENABLED : MF_GRAYED), previewCommand, text::preview);
    const BOOL chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
    DestroyMenu(menu);
    if (chosen == previewCommand) openPreview();
}

void NativeMainDialog::openPreview() {
    if (listCount(idInputList) == 0) return;
    if (!preview_) preview_ = std::make_unique<NativePreviewDialog>(hwnd_, messages_, settings_);
    preview_->open(window_, std::max(listEntry_, 0));
}

void NativeMainDialog::followPreview() {
    if (preview_) preview_->follow(window_, listEntry_);
}


// The shell's drop handle names each dropped file or folder; the window's logic decides what of
// it the list takes. The handle is the receiver's to free.
void NativeMainDialog::onDropFiles(HDROP drop) {
    const std::vector<std::string> paths = droppedPaths(drop);
    DragFinish(drop);
    if (window_.running()) return;  // refused, as the drop target refuses a drag meanwhile
    stopGathering(hwnd_);
    window_.OnDropFiles(paths);
}

// The starts of one "Open with" arrive in no particular order; the list shows the files in the
// order Explorer showed them, by name.
void NativeMainDialog::joinOpenedFiles(const std::vector<std::string>& files) {
    std::vector<std::string> all;
    const int count = listCount(idInputList);
    for (int i = 0; i < count; ++i) all.push_back(listEntry(idInputList, i));
    all.insert(all.end(), files.begin(), files.end());
    std::stable_sort(all.begin(), all.end(), namedBefore);
    window_.OnOpenFiles(all);
}

void NativeMainDialog::fitToScale() {
    HWND list = GetDlgItem(hwnd_, idInputList);
    HDC dc = GetDC(list);
    if (dc) {
        const HGDIOBJ before = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics{};
        if (GetTextMetricsA(dc, &metrics))
            SendMessageA(list, LB_SETITEMHEIGHT, 0, MAKELPARAM(metrics.tmHeight + MulDiv(2, static_cast<int>(resizer_.dpi()), 96), 0));
        SelectObject(dc, before);
        ReleaseDC(list, dc);
    }
    // The pictures are drawn for 96 dots per inch, and scaled for any other.
    const DialogTemplate& source = mainDialogTemplate();
    int picture = 0;
    HWND child = GetWindow(hwnd_, GW_CHILD);
    for (std::size_t i = 0; i < source.controls.size() && child && picture < 2; ++i, child = GetWindow(child, GW_HWNDNEXT)) {
        if ((source.controls[i].styles & style::staticKindMask) != style::bitmap) continue;
        auto* original = static_cast<HBITMAP>(LoadImageA(programInstance(), MAKEINTRESOURCEA(source.controls[i].image), IMAGE_BITMAP, 0, 0, 0));
        BITMAP size{};
        if (!original || !GetObjectA(original, sizeof size, &size)) {
            if (original) DeleteObject(original);
            ++picture;
            continue;
        }
        const int dpi = static_cast<int>(resizer_.dpi());
        auto* scaled = static_cast<HBITMAP>(
            CopyImage(original, IMAGE_BITMAP, MulDiv(size.bmWidth, dpi, 96), MulDiv(size.bmHeight, dpi, 96), LR_COPYDELETEORG));
        if (!scaled) scaled = original;
        auto* previous = reinterpret_cast<HBITMAP>(SendMessageA(child, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled)));
        if (previous && previous != scaled) DeleteObject(previous);  // the template's, or the last scale's
        flipPictures_[picture++] = scaled;
    }
}

void NativeMainDialog::drawListEntry(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) {
        if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
        return;
    }
    const bool current = static_cast<int>(item.itemID) == listEntry_;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(current ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(item.hDC, GetSysColor(current ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(item.hDC, TRANSPARENT);
    const std::string path = listEntry(idInputList, static_cast<int>(item.itemID));
    RECT text = item.rcItem;
    InflateRect(&text, -MulDiv(2, static_cast<int>(resizer_.dpi()), 96), 0);
    DrawTextA(item.hDC, path.c_str(), static_cast<int>(path.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

// Scrolled, as little as it takes, so that the entry is in sight, and drawn as the current one.
void NativeMainDialog::showListEntry(int entry) {
    HWND list = GetDlgItem(hwnd_, idInputList);
    InvalidateRect(list, nullptr, TRUE);
    if (entry < 0) return;
    const auto lineHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    RECT client;
    GetClientRect(list, &client);
    const int lines = std::max(1, lineHeight > 0 ? static_cast<int>(client.bottom) / lineHeight : 1);
    const auto top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    if (entry < top) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(entry), 0);
    else if (entry >= top + lines) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(entry - lines + 1), 0);
}

void NativeMainDialog::showStatus() {
    HWND status = GetDlgItem(hwnd_, idStatus);
    RECT shown{};
    SendMessageA(status, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
    std::string elided = statusText_;
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc && shown.right > shown.left) {
        const HGDIOBJ before = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(status, WM_GETFONT, 0, 0)));
        // Room for the ellipsis DT_MODIFYSTRING may put in.
        elided.append(8, '\0');
        RECT room{0, 0, shown.right - shown.left, 100};
        DrawTextA(dc, elided.data(), static_cast<int>(statusText_.size()), &room,
                  DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_MODIFYSTRING);
        elided.resize(std::strlen(elided.c_str()));
        SelectObject(dc, before);
    }
    if (dc) DeleteDC(dc);
    SetWindowTextA(status, elided.c_str());
}

// One tip for the list, with the path of the entry under the pointer, one for the status line.
void NativeMainDialog::addPathTips() {
    tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, programInstance(), nullptr);
    if (!tips_) return;
    for (const int id : {idInputList, idStatus}) {
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, id));
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // Long paths wrap rather than run off the screen.
    SendMessageA(tips_, TTM_SETMAXTIPWIDTH, 0, MulDiv(600, static_cast<int>(resizer_.dpi()), 96));
}

const std::string& NativeMainDialog::tipText(HWND tool) {
    tip_.clear();
    if (tool == GetDlgItem(hwnd_, idStatus)) {
        tip_ = statusText_;
    } else if (tool == GetDlgItem(hwnd_, idInputList)) {
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(tool, &at);
        const LRESULT hit = SendMessageA(tool, LB_ITEMFROMPOINT, 0, MAKELPARAM(at.x, at.y));
        if (HIWORD(hit) == 0) tip_ = listEntry(idInputList, LOWORD(hit));
    }
    return tip_;
}

void NativeMainDialog::end(INT_PTR result) {
    if (modal_) EndDialog(hwnd_, result);
    else DestroyWindow(hwnd_);
}

// The template places the window at (0, 0); it opens in the middle of its monitor's work area.
void NativeMainDialog::centreOnMonitor() {
    RECT frame;
    GetWindowRect(hwnd_, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& area = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(hwnd_, nullptr, x > area.left ? x : area.left, y > area.top ? y : area.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A minimised window shows the program's icon in the middle of its client area.
bool NativeMainDialog::paintMinimised() {
    if (!IsIconic(hwnd_)) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(hwnd_, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(hwnd_, &paint);
    return true;
}

WindowHandle NativeMainDialog::handle() {
    return hwnd_;
}

std::string NativeMainDialog::windowText() {
    return windowTextOf(hwnd_);
}

void NativeMainDialog::setWindowText(const std::string& text) {
    SetWindowTextA(hwnd_, text.c_str());
}

void NativeMainDialog::addMenuCommand(unsigned command, const std::string& text) {
    HMENU menu = GetSystemMenu(hwnd_, FALSE);
    if (!menu) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, command, text.c_str());
}

std::string NativeMainDialog::text(int id) {
    if (id == idStatus) return statusText_;
    return windowTextOf(GetDlgItem(hwnd_, id));
}

void NativeMainDialog::setText(int id, const std::string& text) {
    if (id == idStatus) {
        statusText_ = text;
        showStatus();
        return;
    }
    SetDlgItemTextA(hwnd_, id, text.c_str());
}

bool NativeMainDialog::isChecked(int id) {
    return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void NativeMainDialog::setChecked(int id, bool checked) {
    CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

// A control disabled while it has the focus hands it to the status line first: a disabled one
// would keep it from every key, Escape included, and Cancel would take Enter, meant for "Split
// Tiff", to end a run.
void NativeMainDialog::enable(int id, bool enabled) {
    HWND control = GetDlgItem(hwnd_, id);
    if (!enabled && GetFocus() == control)
        SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd_, idStatus)), TRUE);
    EnableWindow(control, enabled ? TRUE : FALSE);
}

void NativeMainDialog::resetList(int id) {
    SendDlgItemMessageA(hwnd_, id, LB_RESETCONTENT, 0, 0);
}

void NativeMainDialog::addListEntry(int id, const std::string& text) {
    SendDlgItemMessageA(hwnd_, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int NativeMainDialog::listCount(int id) {
    const LRESULT count = SendDlgItemMessageA(hwnd_, id, LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

std::string NativeMainDialog::listEntry(int id, int index) {
    const LRESULT length = SendDlgItemMessageA(hwnd_, id, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendDlgItemMessageA(hwnd_, id, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

void NativeMainDialog::setListCurrent(int id, int index) {
    SendDlgItemMessageA(hwnd_, id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// The entries are drawn elided to the list's width, whole on hover: the list never scrolls
// sideways, and keeps the extent for the window's logic only.
int NativeMainDialog::listHorizontalExtent(int) {
    return listExtent_;
}

void NativeMainDialog::setListHorizontalExtent(int, int pixels) {
    listExtent_ = pixels;
}

// Measured in the list's device context as it comes, without selecting the list's font into it.
int NativeMainDialog::listTextWidth(int id, const std::string& text) {
    HWND list = GetDlgItem(hwnd_, id);
    HDC dc = GetDC(list);
    if (!dc) return 0;
    SIZE size{};
    const BOOL measured = GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ReleaseDC(list, dc);
    return measured ? static_cast<int>(size.cx) : 0;
}

// A thousand entries added one by one to a list on the screen take seconds, each redrawing it.
void NativeMainDialog::setListRedraw(int id, bool redraw) {
    HWND list = GetDlgItem(hwnd_, id);
    SendMessageA(list, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    if (redraw) RedrawWindow(list, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void NativeMainDialog::setProgressRange(int id, int low, int high) {
    SendDlgItemMessageA(hwnd_, id, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void NativeMainDialog::setProgressPosition(int id, int position) {
    SendDlgItemMessageA(hwnd_, id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

// The split run keeps the message loop from running, so the window is painted here and now,
// its controls too: erasing the dialog alone would paint over them.
void NativeMainDialog::redrawNow() {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// The run goes on inside a command's handler, so the dialog's messages are taken here, as its
// modal loop would take them: what is waiting, then, for a pause, whatever arrives until it is
// over or `enough` ends it. A quit message is left for the loop further out.
void NativeMainDialog::serviceMessages(int milliseconds, const std::function<bool()>& enough) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds > 0 ? milliseconds : 0);
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            if (hwnd_ && IsDialogMessageA(hwnd_, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end || (enough && enough())) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void NativeMainDialog::endDialog() {
    end(IDCANCEL);
}

void NativeMainDialog::beginWaitCursor() {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
    if (waitCursorCount_++ == 0) cursorBeforeWait_ = previous;
}

void NativeMainDialog::endWaitCursor() {
    if (waitCursorCount_ == 0) return;
    if (--waitCursorCount_ == 0) SetCursor(cursorBeforeWait_ ? cursorBeforeWait_ : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
}

}  // namespace quillane

#include "win32/ResizableDialog.h"

#include "app/WindowPlacement.h"

#include <algorithm>
#include <cmath>

namespace quillane {
namespace {

LONG width(const RECT& r) {
    return r.right - r.left;
}

LONG height(const RECT& r) {
    return r.bottom - r.top;
}

int share(float part, int difference) {
    return static_cast<int>(std::lround(part * static_cast<float>(difference)));
}

// The frame's own width and height around the client area.
SIZE frameAround(HWND window) {
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    return {width(frame) - width(client), height(frame) - height(client)};
}

}  // namespace

ResizableDialog::~ResizableDialog() {
    if (scaledFont_) DeleteObject(scaledFont_);
}

void ResizableDialog::attach(HWND dialog, SettingsStore* settings) {
    dialog_ = dialog;
    settings_ = settings;
    controls_.clear();
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) controls_.push_back(child);
    RECT units{0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    baseX_ = units.right;
    baseY_ = units.bottom;
    dpi_ = GetDpiForWindow(dialog);
    if (dpi_ == 0) dpi_ = 96;

    RECT frame;
    GetWindowRect(dialog, &frame);
    if (settings_) {
        if (const std::optional<WindowPlacement> remembered = readPlacement(*settings_, rules_.placementSetting))
            frame = {remembered->left, remembered->top, remembered->left + remembered->width, remembered->top + remembered->height};
    }
    fitInto(frame);
    layOut();
}

void ResizableDialog::rememberPlace() {
    if (!dialog_ || !settings_ || IsIconic(dialog_)) return;
    RECT frame;
    if (GetWindowRect(dialog_, &frame))
        writePlacement(*settings_, rules_.placementSetting, {frame.left, frame.top, width(frame), height(frame), false});
}

// The frame as large as asked but no smaller than the minimum, and no larger than the work area
// of the monitor it is mostly on, moved inside it: the caption and the buttons always in reach.
void ResizableDialog::fitInto(RECT frame) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&frame, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& area = monitor.rcWork;
    const SIZE around = frameAround(dialog_);
    const SIZE least = minimumClient();
    const WindowPlacement fitted = WindowPlacement{frame.left, frame.top, width(frame), height(frame), false}.fittedTo(
        {area.left, area.top, width(area), height(area), false}, least.cx + around.cx, least.cy + around.cy);
    SetWindowPos(dialog_, nullptr, fitted.left, fitted.top, fitted.width, fitted.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE ResizableDialog::minimumClient() const {
    return {pixelsAcross(source_.width - rules_.shrink.cx), pixelsDown(source_.height - rules_.shrink.cy)};
}

bool ResizableDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialog_) return false;
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) layOut();
        return true;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        const SIZE around = frameAround(dialog_);
        const SIZE least = minimumClient();
        limits->ptMinTrackSize = {least.cx + around.cx, least.cy + around.cy};
        return true;
    }
    case WM_DPICHANGED:
        changeScale(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return true;
    default:
        return false;
    }
}

// The window moved to a monitor of another scale: the font, and with it the dialog units, follow
// it, and the window takes the size the system proposes.
void ResizableDialog::changeScale(UINT dpi, const RECT& suggested) {
    if (dpi == 0 || dpi == dpi_) {
        SetWindowPos(dialog_, nullptr, suggested.left, suggested.top, width(suggested), height(suggested), SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    baseX_ = MulDiv(baseX_, static_cast<int>(dpi), static_cast<int>(dpi_));
    baseY_ = MulDiv(baseY_, static_cast<int>(dpi), static_cast<int>(dpi_));
    LOGFONTA face{};
    auto* current = reinterpret_cast<HFONT>(SendMessageA(dialog_, WM_GETFONT, 0, 0));
    if (current && GetObjectA(current, sizeof face, &face)) {
        face.lfHeight = MulDiv(face.lfHeight, static_cast<int>(dpi), static_cast<int>(dpi_));
        if (HFONT scaled = CreateFontIndirectA(&face)) {
            SendMessageA(dialog_, WM_SETFONT, reinterpret_cast<WPARAM>(scaled), FALSE);
            for (HWND control : controls_) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(scaled), FALSE);
            if (scaledFont_) DeleteObject(scaledFont_);
            scaledFont_ = scaled;
        }
    }
    dpi_ = dpi;
    SetWindowPos(dialog_, nullptr, suggested.left, suggested.top, width(suggested), height(suggested), SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
}

void ResizableDialog::layOut() {
    if (controls_.size() != source_.controls.size() || rules_.shares.size() != controls_.size()) return;
    RECT client;
    GetClientRect(dialog_, &client);
    const int grownX = width(client) - pixelsAcross(source_.width);
    const int grownY = height(client) - pixelsDown(source_.height);
    HDWP moves = BeginDeferWindowPos(static_cast<int>(controls_.size()));
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const DialogControl& control = source_.controls[i];
        const EdgeShares& edges = rules_.shares[i];
        const int left = pixelsAcross(control.x) + share(edges.left, grownX);
        const int top = pixelsDown(control.y) + share(edges.top, grownY);
        const int right = pixelsAcross(control.x + control.width) + share(edges.right, grownX);
        const int bottom = pixelsDown(control.y + control.height) + share(edges.bottom, grownY);
        if (moves)
            moves = DeferWindowPos(moves, controls_[i], nullptr, left, top, std::max(right - left, 0), std::max(bottom - top, 0),
                                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moves) EndDeferWindowPos(moves);
    // Group boxes and the dialog's background leave traces of where the controls were.
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace quillane

#include "win32/AboutDialog.h"

#include "app/DialogTemplate.h"
#include "win32/DialogTemplateBytes.h"

#include <windows.h>

#include <algorithm>

namespace quillane {
namespace {

// The template places the box at (0, 0); it opens centred over the window that opened it (or on
// the monitor, without one), and stays within that monitor's work area.
void centreOverOwner(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& area = monitor.rcWork;
    RECT over = area;
    if (owner && !IsIconic(owner)) GetWindowRect(owner, &over);
    RECT box;
    GetWindowRect(dialog, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    int x = over.left + (over.right - over.left - width) / 2;
    int y = over.top + (over.bottom - over.top - height) / 2;
    x = std::max(static_cast<int>(area.left), std::min(x, static_cast<int>(area.right) - width));
    y = std::max(static_cast<int>(area.top), std::min(y, static_cast<int>(area.bottom) - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        // The data exchange: the fields over the template's placeholder texts.
        centreOverOwner(dialog);
        const auto* box = reinterpret_cast<const AboutBox*>(lParam);
        SetDlgItemTextA(dialog, idVersionText, box->versionText.c_str());
        SetDlgItemTextA(dialog, idLegalText, box->legalText.c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void NativeAboutBoxDialog::DoModal(WindowHandle owner, const AboutBox& box) {
    const auto bytes = dialogTemplateBytes(aboutDialogTemplate());
    DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<const DLGTEMPLATE*>(bytes.data()),
                            static_cast<HWND>(owner), aboutProc, reinterpret_cast<LPARAM>(&box));
}

}  // namespace quillane

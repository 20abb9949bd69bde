#include "win32/AboutDialog.h"

#include "app/DialogTemplate.h"
#include "win32/DialogTemplateBytes.h"

#include <windows.h>

namespace quillane {
namespace {

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        // The data exchange: the fields over the template's placeholder texts.
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

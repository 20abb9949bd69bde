#pragma once

#include "app/DialogTemplate.h"

#include <windows.h>

#include <span>
#include <vector>

namespace quillane {

class SettingsStore;

// How far each edge of a control follows the window when it grows or shrinks: 0 stays with the
// top left corner, 1 moves as far as the window's right or bottom edge, between them a share.
struct EdgeShares {
    float left, top, right, bottom;
};

// A dialog made from a template, laid out again whenever its size or its monitor's scale
// changes. The controls keep the template's places at the template's size; beyond it each edge
// moves by its share of the difference. The window may shrink by `shrink` dialog units below the
// template's size, never beyond, and opens no larger than its monitor's work area.
struct ResizeRules {
    std::span<const EdgeShares> shares;  // one for each control of the template, in its order
    SIZE shrink;                         // dialog units
    const char* placementSetting;        // where the window's size and place are remembered
};

class ResizableDialog {
public:
    ResizableDialog(const DialogTemplate& source, const ResizeRules& rules) : source_(source), rules_(rules) {}
    ~ResizableDialog();
    ResizableDialog(const ResizableDialog&) = delete;
    ResizableDialog& operator=(const ResizableDialog&) = delete;

    // From WM_INITDIALOG: takes the controls as the template made them, then the size and place
    // remembered in `settings` (when there are any) or the monitor's work area as the limit.
    void attach(HWND dialog, SettingsStore* settings);
    // From WM_DESTROY, or when the window is hidden: remembers its size and place.
    void rememberPlace();

    // The window's messages this handles: WM_SIZE, WM_GETMINMAXINFO, WM_DPICHANGED. Returns
    // whether it took the message.
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Dialog units in the window's pixels at its monitor's scale.
    int pixelsAcross(int units) const { return MulDiv(units, baseX_, 4); }
    int pixelsDown(int units) const { return MulDiv(units, baseY_, 8); }
    UINT dpi() const { return dpi_; }
    // The smallest client area the window may have, in pixels.
    SIZE minimumClient() const;
    // Places the controls for the client area as it is.
    void layOut();

private:
    void fitInto(RECT frame);
    void changeScale(UINT dpi, const RECT& suggested);

    const DialogTemplate& source_;
    ResizeRules rules_;
    HWND dialog_ = nullptr;
    SettingsStore* settings_ = nullptr;
    std::vector<HWND> controls_;  // in the template's order
    int baseX_ = 0, baseY_ = 0;   // the dialog's base units at its current scale
    UINT dpi_ = 96;
    HFONT scaledFont_ = nullptr;  // the dialog's font at a scale it was not made at
};

}  // namespace quillane

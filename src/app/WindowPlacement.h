#pragma once

#include "app/SettingsStore.h"

#include <optional>
#include <string>

namespace quillane {

// Where a window stood and how large it was when it last closed, in the desktop's pixels, kept
// in the settings store as "left,top,width,height" and ",maximized" when it was.
struct WindowPlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;

    // Moved and shrunk as little as it takes to lie wholly on `area` (the screen's working area),
    // and no smaller than the window's least size: a screen that has since shrunk or gone, or a
    // value written by hand, never puts the window out of reach.
    WindowPlacement fittedTo(const WindowPlacement& area, int leastWidth, int leastHeight) const;
};

// The names the two windows' places are remembered under.
inline constexpr const char* mainWindowPlacementSetting = "MainWindowPlace";
inline constexpr const char* previewWindowPlacementSetting = "PreviewWindowPlace";

std::string placementText(const WindowPlacement& placement);
// None for anything but four whole numbers, the size positive, and optionally ",maximized".
std::optional<WindowPlacement> parsePlacement(const std::string& text);

std::optional<WindowPlacement> readPlacement(SettingsStore& settings, const char* name);
void writePlacement(SettingsStore& settings, const char* name, const WindowPlacement& placement);

}  // namespace quillane

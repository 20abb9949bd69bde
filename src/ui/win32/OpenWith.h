#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace quillane {

// "Open with" on several files starts the program once per file ("%1"), nearly at once. The
// first of them opens the window and gathers the others' files into its list; the others hand
// their files over and end. A window gathers only while its list is still the files it was
// opened with: once the user chooses, drops or splits, a later start opens a window of its own.

// Hands `files` to a window that is gathering, waiting for one while the first of a batch is
// still starting. True when one took them; false when this start is the first (it then opens
// the window, and gathers) or no window would take them.
bool handToGatheringWindow(const std::vector<std::string>& files);

// Makes `dialog` the window the later starts find, or stops it being that.
void startGathering(HWND dialog);
void stopGathering(HWND dialog);
bool isGathering(HWND dialog);

// The files a later start handed over in a WM_COPYDATA; nothing for any other data.
std::optional<std::vector<std::string>> handedFiles(const COPYDATASTRUCT& data);

}  // namespace quillane

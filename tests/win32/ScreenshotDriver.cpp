// Shows the native main window in a typical state, the About box over it, the window while it
// splits three scans, or the preview of a scan that looks like a scanned slide (preview-zoomed:
// of a 10000 x 30000 slide, at 1 : 1 in its middle), for the
// screenshots in docs/ (see take-screenshots.sh), at a size in pixels when one is given as
// WIDTHxHEIGHT. Prints the shown window's frame as WIDTHxHEIGHT+X+Y, then runs until it is ended.
#include "ScanFile.h"
#include "app/ScriptedServices.h"
#include "support/ScanBuilder.h"

#include "win32/AboutDialog.h"
#include "win32/MainDialog.h"
#include "win32/RegistrySettingsStore.h"
#include "win32/SystemDialogs.h"
#include "win32/VersionResource.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace quillane;

namespace {

void printFrame(HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    std::printf("%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top, frame.left, frame.top);
    std::fflush(stdout);
}

// The window at the size asked for (the smallest it allows when asked for less), at the top left.
void resize(HWND window, const char* size) {
    int width = 0, height = 0;
    if (!size || std::sscanf(size, "%dx%d", &width, &height) != 2) return;
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER);
    MINMAXINFO limits{};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    SetWindowPos(window, nullptr, 0, 0, std::max<int>(width, limits.ptMinTrackSize.x), std::max<int>(height, limits.ptMinTrackSize.y),
                 SWP_NOZORDER);
}

NativePreviewDialog* zoomedPreview = nullptr;

// Once the page has come: 1 : 1 about the middle, typed as the user would.
void CALLBACK zoomWhenShown(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!zoomedPreview || !zoomedPreview->view()) return;
    KillTimer(nullptr, timer);
    SendMessageA(GetDlgItem(zoomedPreview->window(), IDCANCEL), WM_CHAR, '1', 1);
}

void CALLBACK printAboutFrame(HWND, UINT, UINT_PTR timer, DWORD) {
    if (HWND box = FindWindowA(nullptr, "About Quillane")) {
        KillTimer(nullptr, timer);
        printFrame(box);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool about = argc > 1 && std::strcmp(argv[1], "about") == 0;
    const bool run = argc > 1 && std::strcmp(argv[1], "run") == 0;
    const bool zoomed = argc > 1 && std::strcmp(argv[1], "preview-zoomed") == 0;
    const bool preview = zoomed || (argc > 1 && std::strcmp(argv[1], "preview") == 0);
    const char* size = argc > 2 ? argv[2] : nullptr;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    testing::ScriptedFileChooser files;
    testing::ScriptedFolderChooser folders;
    testing::NoPausePlatform platform;
    NativeMessageBoxes messages;
    NativeAboutBoxDialog aboutBoxes;
    RegistrySettingsStore settings("quillane-screenshots");
    NativeVersionSource version;
    files.answers = {std::vector<std::string>{"D:\\Lab\\Scans\\2026-03-12\\slide01_array_A.tif",
                                              "D:\\Lab\\Scans\\2026-03-12\\slide02_array_B.tif",
                                              "D:\\Lab\\Scans\\2026-03-12\\slide03_control.tif"}};
    folders.answers = {std::string("D:\\Lab\\Split")};
    if (run) {  // real scans to split, on the Wine prefix's drive C
        const std::filesystem::path scans = "C:\\Lab\\Scans\\2026-03-12";
        std::filesystem::create_directories(scans);
        std::filesystem::create_directories("C:\\Lab\\Split");
        std::vector<std::string> paths;
        for (const char* name : {"slide01_array_A.tif", "slide02_array_B.tif", "slide03_control.tif"})
            paths.push_back(testing::ScanBuilder::scan(2048, 2048).write(scans / name).string());
        files.answers = {paths};
        folders.answers = {std::string("C:\\Lab\\Split")};
    }
    if (preview) {  // a slide's scan, spots on a grid, on the Wine prefix's drive C
        const std::filesystem::path scans = "C:\\Lab\\Scans\\2026-03-12";
        std::filesystem::create_directories(scans);
        const std::string slide = (scans / (zoomed ? "slide04_full_size.tif" : "slide01_array_A.tif")).string();
        if (!zoomed) bench::writeScanFile(slide, {.width = 480, .height = 1440, .oddPixelOffsets = false, .spots = true});
        else if (!std::filesystem::exists(slide))  // 1.2 GB: made once
            bench::writeScanFile(slide, {.width = 10000, .height = 30000, .oddPixelOffsets = false, .spots = true});
        files.answers = {std::vector<std::string>{slide}};
    }

    NativeMainDialog dialog(WindowServices{&files, &folders, &messages, &aboutBoxes, &settings, &version, &platform});
    HWND window = dialog.Create();
    if (!window) return 1;
    dialog.logic().OnBrowseInput();
    dialog.logic().OnBrowseOutput();
    SendMessageA(GetDlgItem(window, 1008), BM_CLICK, 0, 0);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (about) {
        SetTimer(nullptr, 0, 200, printAboutFrame);
        SendMessageA(window, WM_SYSCOMMAND, 16, 0);
    } else if (preview) {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(1007, LBN_DBLCLK), reinterpret_cast<LPARAM>(GetDlgItem(window, 1007)));
        resize(dialog.previewDialog()->window(), size);
        printFrame(dialog.previewDialog()->window());
        if (zoomed) {
            zoomedPreview = dialog.previewDialog();
            SetTimer(nullptr, 0, 100, zoomWhenShown);
        }
    } else {
        resize(window, size);
        printFrame(window);
        if (run) PostMessageA(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND previewWindow = dialog.previewDialog() ? dialog.previewDialog()->window() : nullptr;
        if (!IsDialogMessageA(window, &message) && !(previewWindow && IsDialogMessageA(previewWindow, &message))) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}

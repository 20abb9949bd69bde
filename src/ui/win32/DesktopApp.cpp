#include "win32/DesktopApp.h"

#include "win32/AboutDialog.h"
#include "win32/MainDialog.h"
#include "win32/RegistrySettingsStore.h"
#include "win32/SystemDialogs.h"
#include "win32/VersionResource.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

namespace quillane {

WindowServices systemWindowServices() {
    static NativeFileChooser files;
    static NativeFolderChooser folders;
    static NativeMessageBoxes messages;
    static NativeAboutBoxDialog about;
    static RegistrySettingsStore settings;
    static NativeVersionSource version;
    return {&files, &folders, &messages, &about, &settings, &version, &systemSplitPlatform()};
}

bool DesktopApp::InitInstance() {
    // The progress bar is a common control.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // The folder browser is a shell object, and drags reach the window through OLE.
    const HRESULT com = OleInitialize(nullptr);
    {
        NativeMainDialog window(systemWindowServices(), startupFiles);
        window.DoModal();  // ends only through Cancel, Escape or the close command
    }
    if (SUCCEEDED(com)) OleUninitialize();
    return false;
}

}  // namespace quillane

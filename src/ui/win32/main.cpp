#include "win32/DesktopApp.h"
#include "win32/OpenWith.h"

#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    quillane::DesktopApp application;
    // The runtime has split the command line into arguments in the ANSI code page already,
    // quotes and all, as every path in the program is kept.
    for (int i = 1; i < __argc; ++i) application.startupFiles.emplace_back(__argv[i]);
    // "Open with" on several files: the first start's window takes the others' files.
    if (quillane::handToGatheringWindow(application.startupFiles)) return 0;
    application.InitInstance();
    return 0;
}

#include "win32/DesktopApp.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    quillane::DesktopApp application;
    application.InitInstance();
    return 0;
}

#include "platform/StopRequest.h"

#include <windows.h>

#include <atomic>

namespace quillane {
namespace {

// Windows ends a console program five seconds after its console is closed, and a session's
// programs soon after it ends: the stop is waited for a little less than that.
constexpr DWORD systemStopWait = 4500;  // milliseconds

std::atomic<bool> requested{false};
HANDLE wake = nullptr;      // set at the first request
HANDLE finished = nullptr;  // set by stoppingNow

void request() {
    requested.store(true);
    SetEvent(wake);
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    const bool again = requested.load();
    request();
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        // The second Ctrl-C ends the program as it would have; an output under way was being
        // written unnamed, which Windows removes.
        return again ? FALSE : TRUE;
    }
    // Closing the console, logging off, shutting down: the program ends once this returns.
    WaitForSingleObject(finished, systemStopWait);
    return TRUE;
}

// A program that has a window is told of the session's end through it, a console or not; the
// uninstaller and taskkill ask it to close it.
LRESULT CALLBACK onSessionMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) return TRUE;
    if (message == WM_CLOSE) {
        request();
        return 0;
    }
    if (message == WM_ENDSESSION && wParam != FALSE) {
        request();
        WaitForSingleObject(finished, systemStopWait);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI sessionWindowThread(void*) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = onSessionMessage;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QuillaneSplitSession";
    if (RegisterClassA(&windowClass) == 0) return 1;
    // Hidden and top-level: a message-only window is not told of the session's end.
    if (CreateWindowExA(0, windowClass.lpszClassName, "quillane-split", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                        windowClass.hInstance, nullptr) == nullptr)
        return 1;
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

}  // namespace

void stopOnRequest() {
    if (wake != nullptr) return;
    wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    if (const HANDLE thread = CreateThread(nullptr, 0, sessionWindowThread, nullptr, 0, nullptr)) CloseHandle(thread);
}

bool stopRequested() { return requested.load(); }

void stoppingNow() {
    if (finished != nullptr) SetEvent(finished);
}

std::intptr_t stopWakeHandle() { return wake == nullptr ? -1 : reinterpret_cast<std::intptr_t>(wake); }

}  // namespace quillane

#include "win32/OpenWith.h"

#include "platform/Process.h"

#include <chrono>
#include <thread>

namespace quillane {
namespace {

// Named for this user's session: another user's windows are not this user's.
constexpr const char* batchMutexName = "Local\\Velmora.Quillane.OpenWith";
constexpr const char* gatheringProperty = "Velmora.Quillane.Gathering";
constexpr ULONG_PTR handedFilesTag = 0x51554C46;  // "QULF"
constexpr DWORD handOverTimeout = 10000;          // milliseconds the receiving window may take
constexpr int waitForWindowSteps = 300;           // of 100 milliseconds: a start under load is slow

// Held by the first start of a batch while its window gathers.
HANDLE batchMutex = nullptr;

HWND gatheringWindow() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND window, LPARAM result) -> BOOL {
            if (!GetPropA(window, gatheringProperty)) return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool handTo(HWND window, const std::vector<std::string>& files) {
    std::string payload;
    // The window may work in another folder than this start: relative names are made whole here.
    for (const std::string& file : files) payload.append(absolutePath(file)).push_back('\0');
    COPYDATASTRUCT data{handedFilesTag, static_cast<DWORD>(payload.size()), payload.data()};
    DWORD_PTR taken = FALSE;
    const LRESULT sent = SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                             SMTO_ABORTIFHUNG, handOverTimeout, &taken);
    return sent != 0 && taken == TRUE;
}

}  // namespace

bool handToGatheringWindow(const std::vector<std::string>& files) {
    if (files.empty()) return false;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, batchMutexName);
    const DWORD error = GetLastError();
    if (mutex && error != ERROR_ALREADY_EXISTS) {
        batchMutex = mutex;  // the first start: it gathers
        return false;
    }
    if (mutex) CloseHandle(mutex);
    // Another start came first: its window may still be on its way.
    for (int step = 0; step < waitForWindowSteps; ++step) {
        if (HWND window = gatheringWindow()) return handTo(window, files);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void startGathering(HWND dialog) {
    SetPropA(dialog, gatheringProperty, reinterpret_cast<HANDLE>(1));
}

void stopGathering(HWND dialog) {
    if (!GetPropA(dialog, gatheringProperty)) return;
    RemovePropA(dialog, gatheringProperty);
    if (batchMutex) CloseHandle(batchMutex);
    batchMutex = nullptr;
}

bool isGathering(HWND dialog) {
    return GetPropA(dialog, gatheringProperty) != nullptr;
}

std::optional<std::vector<std::string>> handedFiles(const COPYDATASTRUCT& data) {
    if (data.dwData != handedFilesTag || (data.cbData > 0 && !data.lpData)) return std::nullopt;
    const std::string payload(static_cast<const char*>(data.lpData), data.cbData);
    std::vector<std::string> files;
    std::size_t start = 0;
    while (start < payload.size()) {
        const std::size_t end = payload.find('\0', start);
        if (end == std::string::npos) return std::nullopt;  // not what a start sends
        if (end > start) files.push_back(payload.substr(start, end - start));
        start = end + 1;
    }
    return files;
}

}  // namespace quillane

#include "platform/CodePage.h"

#include <windows.h>

#include <cstdlib>

namespace quillane {
namespace {

UINT consoleCodePageBefore = 0;

void restoreConsoleCodePage() {
    if (consoleCodePageBefore != 0) SetConsoleOutputCP(consoleCodePageBefore);
}

}  // namespace

bool isLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != 0; }

std::wstring wideText(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
    return result;
}

void showProgramTextOnConsole() {
    const UINT console = GetConsoleOutputCP();  // 0 without a console
    const UINT program = GetACP();
    if (console == 0 || console == program || consoleCodePageBefore != 0) return;
    if (!SetConsoleOutputCP(program)) return;
    consoleCodePageBefore = console;
    std::atexit(restoreConsoleCodePage);
}

}  // namespace quillane

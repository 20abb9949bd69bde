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

void showProgramTextOnConsole() {
    const UINT console = GetConsoleOutputCP();  // 0 without a console
    const UINT program = GetACP();
    if (console == 0 || console == program || consoleCodePageBefore != 0) return;
    if (!SetConsoleOutputCP(program)) return;
    consoleCodePageBefore = console;
    std::atexit(restoreConsoleCodePage);
}

}  // namespace quillane

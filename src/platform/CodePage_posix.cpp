#include "platform/CodePage.h"

namespace quillane {

// Paths here are UTF-8, whose multibyte characters never hide a '/' or a '.'.
bool isLeadByte(unsigned char) { return false; }

void showProgramTextOnConsole() {}

}  // namespace quillane

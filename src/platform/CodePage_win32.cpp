#include "platform/CodePage.h"

#include <windows.h>

namespace quillane {

bool isLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != 0; }

}  // namespace quillane
